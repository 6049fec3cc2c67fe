// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantaro {

// The most bytes a text taken from a page (an MP3 title, an artist name) may keep.
inline constexpr std::size_t RemoteTextMaxBytes = 250;

// A text taken from a page or from yt-dlp, fit for a tag: control characters (C0, DEL and the
// UTF-8 coded C1 range) removed, then cut to RemoteTextMaxBytes without splitting a UTF-8
// character.
std::string cleanRemoteText(std::string_view text);

} // namespace vantaro
