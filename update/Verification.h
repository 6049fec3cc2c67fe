// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <optional>
#include <string>

namespace vantaro {

// The SHA-256 of a file as 64 lower-case hexadecimal digits; empty when it cannot be read.
std::string sha256OfFile(const std::string& path);
std::string sha256OfText(const std::string& text);

// The sum a checksum list gives for a file name. Each line is "HEX  NAME" or "HEX *NAME" (the
// sha256sum layout); a lone "HEX" line counts for any name when allowBare (a ".sha256sum" file
// of one file). Malformed lines are skipped; a name listed twice with different sums gives
// nothing.
std::optional<std::string> listedSum(const std::string& list, const std::string& name,
                                     bool allowBare = false);

// True when signaturePath is a good detached signature of dataPath by a key of keyringPath,
// as gpgv (found on PATH) judges it. gpgv's home is scratchFolder, so no user keyring counts.
bool signatureIsGood(const std::string& keyringPath, const std::string& signaturePath,
                     const std::string& dataPath, const std::string& scratchFolder,
                     const std::string& pathValue, const std::atomic<bool>* stop);

// The keyring shipped with the program: keys/yt-dlp-release-key.gpg in the program folder.
std::string shippedYtDlpKeyring(const std::string& programFolder);

} // namespace vantaro
