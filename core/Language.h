// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantaro {

// The program-wide two-letter language code; "FR" once the main window exists.
extern std::string LanguageCode;

// A text is English exactly when the code is "EN"; any other code gives French.
bool isEnglish();

// Picks the French or the English form of a text by the language rule.
const char* pickText(const char* french, const char* english);
std::string pickText(const std::string& french, const std::string& english);

} // namespace vantaro
