// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantaro {

// The most bytes kept of a title or a name a page or a playlist gives (an MP3 title, an artist).
inline constexpr std::size_t RemoteTextMaxBytes = 250;

// Text a page, a playlist or a downloader reported, made fit to keep: its control characters
// (below 0x20, DEL, and U+0080 to U+009F) removed, then cut to at most maxBytes without splitting
// a UTF-8 character.
std::string cleanRemoteText(std::string_view text, std::size_t maxBytes = RemoteTextMaxBytes);

} // namespace vantaro
