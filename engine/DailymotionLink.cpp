// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DailymotionLink.h"

#include "core/Constants.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace vantaro {

namespace {

constexpr std::string_view Marker = DailymotionMarker;

// Percent codes and their replacements, applied one after the other in this order.
constexpr std::pair<std::string_view, std::string_view> PageCodes[] = {
    {"%3A", ":"}, {"%2F", "/"},  {"%3F", "?"}, {"%3D", "="}, {"%26", "&"}, {"%25", "%"},
    {"%5C", ""},  {"%22", "\""}, {"%5D", "]"}, {"%5B", "["}, {"%2C", ","},
};

bool sameLetters(char a, char b) {
    const auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    };
    return lower(a) == lower(b);
}

// Replaces every occurrence of the code, letters compared without case; the replacement text
// is not searched again.
std::string replaceCode(const std::string& text, std::string_view code, std::string_view by) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '%' && i + code.size() <= text.size() && sameLetters(text[i + 1], code[1]) &&
            sameLetters(text[i + 2], code[2])) {
            out += by;
            i += code.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

// The text after the key up to the next double quote; empty without key or closing quote.
std::string candidate(const std::string& decoded, std::string_view key) {
    const auto found = decoded.find(key);
    if (found == std::string::npos)
        return {};
    const auto start = found + key.size();
    const auto quote = decoded.find('"', start);
    if (quote == std::string::npos)
        return {};
    return decoded.substr(start, quote - start);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads one line: the text up to the first CR or LF; reading goes on after the next LF.
// False at the end of the file.
bool readLine(std::FILE* file, std::string& line) {
    line.clear();
    int c = std::fgetc(file);
    if (c == EOF)
        return false;
    while (c != EOF && c != '\r' && c != '\n') {
        line += static_cast<char>(c);
        c = std::fgetc(file);
    }
    while (c != EOF && c != '\n')
        c = std::fgetc(file);
    return true;
}

} // namespace

std::string decodePageCodes(std::string text) {
    for (const auto& [code, by] : PageCodes)
        text = replaceCode(text, code, by);
    return text;
}

std::string DailymotionPageScanner::addLine(std::string_view line) {
    const auto found = line.find(Marker);
    if (found == std::string_view::npos)
        return {};
    const std::string remainder(line.substr(found + Marker.size()));
    std::string log = "1 trouvé. **" + remainder + "**";
    m_remainder = decodePageCodes(remainder);
    m_ld = candidate(m_remainder, "ldURL\":\"");
    m_sd = candidate(m_remainder, "sdURL\":\"");
    m_hq = candidate(m_remainder, "hqURL\":\"");
    m_hd720 = candidate(m_remainder, "hd720URL\":\"");
    return log;
}

std::string DailymotionPageScanner::result() const {
    for (const std::string* link : {&m_hd720, &m_hq, &m_sd, &m_ld}) {
        if (!link->empty())
            return *link;
    }
    return m_remainder;
}

std::string extractDailymotionLink(const std::string& pageFile, WorkerHost& host) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(pageFile.c_str(), "rb"));
    if (!file)
        throw PageFileError("Impossible d'ouvrir le fichier de page " + pageFile,
                            "Cannot open the page file " + pageFile, errno);
    DailymotionPageScanner scanner;
    std::string line;
    while (readLine(file.get(), line)) {
        std::string log = scanner.addLine(line);
        if (!log.empty())
            host.appendLog(log);
    }
    if (std::ferror(file.get()))
        throw PageFileError("Impossible de lire le fichier de page " + pageFile,
                            "Cannot read the page file " + pageFile, errno);
    file.reset();
    std::remove(pageFile.c_str());
    return scanner.result();
}

} // namespace vantaro
