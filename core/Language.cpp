// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Language.h"

namespace vantaro {

Language languageFromCode(const std::string& code) {
    return code == "EN" ? Language::English : Language::French;
}

const char* pickText(Language language, const char* french, const char* english) {
    return language == Language::English ? english : french;
}

std::string pickText(Language language, const std::string& french, const std::string& english) {
    return language == Language::English ? english : french;
}

} // namespace vantaro
