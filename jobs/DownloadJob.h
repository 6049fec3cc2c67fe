// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantaro {

// One video to fetch and convert. Texts are kept exactly as typed: never trimmed or case-folded.
struct DownloadJob {
    std::string videoUrl;
    std::string destinationPathName;
    std::string destinationFileName; // without extension
    std::string formatName;
    std::string mp3Title;
};

// The folder of a job joined to its file name: the output path without extension.
inline std::string jobBase(const std::string& folder, const std::string& fileName) {
    return folder + "/" + fileName;
}

} // namespace vantaro
