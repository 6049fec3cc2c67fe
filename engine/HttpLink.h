// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace vantaro {

// An absolute http link split the way the fetch sends it.
struct HttpLink {
    std::string host; // as written in the link ("[::1]" keeps its brackets)
    int port = 80;
    std::string hostHeader; // host, plus ":" and the port when the port is not 80
    std::string target;     // path and query as written; "/" when the link has none
    // "http://host:port/path": what the HTTP library connects to and matches cookies against.
    std::string libraryUrl;
    // "http://" + hostHeader + target: the base for resolving relative redirects.
    std::string normalized;
};

// Splits a link. Every backslash counts as a forward slash and a "#" ends the link. Only the
// http scheme is accepted; nothing else is percent-encoded or decoded, except that spaces and
// control characters of the target are encoded so that the request line stays one valid line.
std::optional<HttpLink> parseHttpLink(const std::string& link);

// The link a "Location" value leads to from the link `base` (an already parsed link's
// `normalized` text): absolute values as they are, others resolved against the base.
std::string resolveLocation(const std::string& base, const std::string& location);

} // namespace vantaro
