// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/Verification.h"

#include "update/ProgramRun.h"

#include <fstream>
#include <memory>
#include <openssl/evp.h>

namespace vantaro {
namespace {

constexpr std::size_t Sha256HexLength = 64;

bool isLowerHex(const std::string& text) {
    return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string toLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

struct DigestDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

class Sha256 {
public:
    Sha256() : m_context(EVP_MD_CTX_new()) {
        m_ok = m_context && EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) == 1;
    }
    void add(const char* data, std::size_t size) {
        m_ok = m_ok && EVP_DigestUpdate(m_context.get(), data, size) == 1;
    }
    std::string hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!m_ok || EVP_DigestFinal_ex(m_context.get(), digest, &length) != 1)
            return {};
        static constexpr char Digits[] = "0123456789abcdef";
        std::string text;
        for (unsigned int i = 0; i < length; ++i) {
            text += Digits[digest[i] >> 4];
            text += Digits[digest[i] & 0x0f];
        }
        return text;
    }

private:
    std::unique_ptr<EVP_MD_CTX, DigestDeleter> m_context;
    bool m_ok = false;
};

} // namespace

std::string sha256OfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    Sha256 sum;
    std::string buffer(1 << 16, '\0');
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        sum.add(buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    return in.bad() ? std::string() : sum.hex();
}

std::string sha256OfText(const std::string& text) {
    Sha256 sum;
    sum.add(text.data(), text.size());
    return sum.hex();
}

std::optional<std::string> listedSum(const std::string& list, const std::string& name,
                                     bool allowBare) {
    std::optional<std::string> found;
    std::size_t start = 0;
    while (start < list.size()) {
        auto end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r'))
            line.pop_back();
        const std::string sum = toLower(line.substr(0, Sha256HexLength));
        if (sum.size() != Sha256HexLength || !isLowerHex(sum))
            continue;
        const std::string rest = line.substr(Sha256HexLength);
        const bool named = rest.size() > 2 && rest[0] == ' ' &&
                           (rest[1] == ' ' || rest[1] == '*') && rest.substr(2) == name;
        const bool bare = allowBare && rest.find_first_not_of(" \t") == std::string::npos;
        if (!named && !bare)
            continue;
        if (found && *found != sum)
            return std::nullopt;
        found = sum;
    }
    return found;
}

bool signatureIsGood(const std::string& keyringPath, const std::string& signaturePath,
                     const std::string& dataPath, const std::string& scratchFolder,
                     const std::string& pathValue, const std::atomic<bool>* stop) {
    const std::string gpgv = findOnPath("gpgv", pathValue);
    if (gpgv.empty() || !keyringPath.starts_with('/'))
        return false;
    const auto answer = runProgram(gpgv,
                                   {"--homedir", scratchFolder, "--status-fd", "1", "--keyring",
                                    keyringPath, "--", signaturePath, dataPath},
                                   stop, std::chrono::seconds(60));
    // Exit status 0 alone would do; the status lines confirm that a signature was checked.
    return answer.finished && answer.exitCode == 0 &&
           answer.output.find("[GNUPG:] VALIDSIG ") != std::string::npos;
}

std::string shippedYtDlpKeyring(const std::string& programFolder) {
    std::string folder = programFolder;
    if (!folder.empty() && !folder.ends_with('/'))
        folder += '/';
    return folder + "keys/yt-dlp-release-key.gpg";
}

} // namespace vantaro
