// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantaro {

// The language of the program's texts.
enum class Language { French, English };

// A two-letter code names English exactly when it is "EN"; any other code gives French.
Language languageFromCode(const std::string& code);

// Picks the French or the English form of a text.
const char* pickText(Language language, const char* french, const char* english);
std::string pickText(Language language, const std::string& french, const std::string& english);

} // namespace vantaro
