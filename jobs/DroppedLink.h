// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantaro {

// The link a drop carries: the first entry of a text/uri-list (comment lines skipped), else the
// first non-blank line of its plain text, trimmed. Empty when the drop carries neither.
std::string droppedLink(const std::string& uriList, const std::string& plainText);

} // namespace vantaro
