// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/DroppedLink.h"

#include <string_view>

namespace vantaro {
namespace {

std::string_view trimmed(std::string_view text) {
    const char* const blanks = " \t\r\n\f\v";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The first line that is not blank and, for a uri-list, not a comment.
std::string firstEntry(std::string_view text, bool skipComments) {
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = trimmed(text.substr(0, end));
        if (!line.empty() && !(skipComments && line.front() == '#'))
            return std::string(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return {};
}

} // namespace

std::string droppedLink(const std::string& uriList, const std::string& plainText) {
    std::string link = firstEntry(uriList, true);
    return link.empty() ? firstEntry(plainText, false) : link;
}

} // namespace vantaro
