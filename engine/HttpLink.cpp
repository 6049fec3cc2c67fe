// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/HttpLink.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace vantaro {

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Encodes the bytes that may not stand in a request line (or, with `nonAscii`, in a URL given
// to the library): spaces, control characters and DEL.
std::string encodeUnsafe(const std::string& text, bool nonAscii) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f || (nonAscii && byte >= 0x80)) {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 0x0f];
        } else {
            out += c;
        }
    }
    return out;
}

// Splits "host[:port]" ("[v6]:port" too); false when the host is empty or the port unusable.
bool splitAuthority(std::string authority, HttpLink& link) {
    const auto at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    std::string portText;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string::npos)
            return false;
        link.host = authority.substr(0, close + 1);
        const std::string rest = authority.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return false;
        portText = rest.empty() ? "" : rest.substr(1);
    } else {
        const auto colon = authority.find(':');
        link.host = authority.substr(0, colon);
        portText = colon == std::string::npos ? "" : authority.substr(colon + 1);
    }
    if (link.host.empty() || link.host.size() > 255)
        return false;
    for (const char c : link.host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f)
            return false;
    }
    link.port = 80;
    if (!portText.empty()) {
        if (portText.size() > 5 || !std::all_of(portText.begin(), portText.end(),
                                                [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        link.port = std::stoi(portText);
        if (link.port < 1 || link.port > 65535)
            return false;
    }
    return true;
}

// Removes "." and ".." segments of a path (the merge rules for relative references).
std::string removeDotSegments(const std::string& path) {
    std::vector<std::string> segments;
    std::size_t start = 1;
    while (start <= path.size()) {
        auto slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        const std::string segment = path.substr(start, slash - start);
        const bool last = slash == path.size();
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
            if (last)
                segments.emplace_back();
        } else if (segment == ".") {
            if (last)
                segments.emplace_back();
        } else {
            segments.push_back(segment);
        }
        start = slash + 1;
    }
    std::string out;
    for (const auto& segment : segments)
        out += "/" + segment;
    return out.empty() ? "/" : out;
}

bool hasScheme(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

} // namespace

std::optional<HttpLink> parseHttpLink(const std::string& original) {
    std::string text = original;
    std::replace(text.begin(), text.end(), '\\', '/');
    text = text.substr(0, text.find('#'));
    const auto schemeEnd = text.find("://");
    if (schemeEnd == std::string::npos || lowered(text.substr(0, schemeEnd)) != "http")
        return std::nullopt;
    const auto authorityStart = schemeEnd + 3;
    const auto authorityEnd = text.find_first_of("/?", authorityStart);
    HttpLink link;
    if (!splitAuthority(text.substr(authorityStart, authorityEnd - authorityStart), link))
        return std::nullopt;
    std::string target = authorityEnd == std::string::npos ? "" : text.substr(authorityEnd);
    if (target.empty() || target.front() == '?')
        target.insert(0, "/");
    link.target = encodeUnsafe(target, false);
    link.hostHeader = link.port == 80 ? link.host : link.host + ":" + std::to_string(link.port);
    const std::string path = target.substr(0, target.find('?'));
    link.libraryUrl =
        "http://" + link.host + ":" + std::to_string(link.port) + encodeUnsafe(path, true);
    link.normalized = "http://" + link.hostHeader + link.target;
    return link;
}

std::string resolveLocation(const std::string& base, const std::string& value) {
    std::string location = value.substr(0, value.find('#'));
    std::replace(location.begin(), location.end(), '\\', '/');
    if (location.empty())
        return base;
    if (hasScheme(location))
        return location;
    if (location.rfind("//", 0) == 0)
        return "http:" + location;
    const auto authorityEnd = base.find_first_of("/?", base.find("://") + 3);
    const std::string origin = base.substr(0, authorityEnd);
    const std::string baseTarget =
        authorityEnd == std::string::npos ? "/" : base.substr(authorityEnd);
    const std::string basePath = baseTarget.substr(0, baseTarget.find('?'));
    if (location.front() == '?')
        return origin + basePath + location;
    std::string reference = location;
    std::string query;
    if (const auto mark = reference.find('?'); mark != std::string::npos) {
        query = reference.substr(mark);
        reference.erase(mark);
    }
    std::string path;
    if (reference.front() == '/')
        path = reference;
    else
        path = basePath.substr(0, basePath.rfind('/') + 1) + reference;
    return origin + removeDotSegments(path) + query;
}

} // namespace vantaro
