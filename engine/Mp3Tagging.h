// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace vantaro {

// The converter's arguments that copy an MP3's sound and tags unchanged into output, adding the
// artist and, when coverFile is not empty, the picture as its front cover (coded as JPEG,
// whatever the thumbnail's own format).
std::vector<std::string> mp3TagArguments(const std::string& mp3, const std::string& output,
                                         const std::string& artist, const std::string& coverFile);

// Adds the artist and the cover to an MP3 the conversion made, in a second pass of the
// converter F that copies the sound stream. The pass writes into workFolder, a folder of the
// job's own on the MP3's file system, and its result replaces the MP3 by a rename. The file is
// replaced only when the pass succeeded; otherwise, or after a stop (which ends the pass at
// once), it stays as the conversion left it. True when the tags were added; nothing to add
// counts as done.
bool tagMp3(const std::string& mp3, const std::string& artist, const std::string& coverFile,
            const std::string& workFolder, const std::atomic<bool>& stop);

} // namespace vantaro
