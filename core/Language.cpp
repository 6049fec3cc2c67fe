// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Language.h"

namespace vantaro {

std::string LanguageCode;

bool isEnglish() {
    return LanguageCode == "EN";
}

const char* pickText(const char* french, const char* english) {
    return isEnglish() ? english : french;
}

std::string pickText(const std::string& french, const std::string& english) {
    return isEnglish() ? english : french;
}

} // namespace vantaro
