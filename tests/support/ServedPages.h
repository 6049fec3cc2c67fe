// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the scripted server and nginx are given to serve, for the worker's tests and the
// benchmarks alike: raw responses, plan texts and a Dailymotion-like page.

#include <string>

namespace vantaro::testing {

// A raw HTTP response with a body, as the scripted server sends it.
inline std::string httpOk(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// The text escaped for a JSON string.
inline std::string jsonText(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\r')
            escaped += "\\r";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '"' || c == '\\')
            escaped += std::string("\\") + c;
        else
            escaped += c;
    }
    return "\"" + escaped + "\"";
}

// A Dailymotion-like page whose marker line offers one stream link, coded as the site codes it.
inline std::string dailymotionPage(const std::string& streamLink) {
    std::string coded;
    for (const char c : streamLink) {
        switch (c) {
        case ':':
            coded += "%3A";
            break;
        case '/':
            coded += "%5C%2F";
            break;
        case '?':
            coded += "%3F";
            break;
        case '=':
            coded += "%3D";
            break;
        case '&':
            coded += "%26";
            break;
        default:
            coded += c;
        }
    }
    return "<html>\n<body>\n<script type=\"text/javascript\">\n"
           "    player.addVariable(\"apiSequenceURL\", \"%5B%7B%22name%22%3A%22main%22%2C"
           "%22params%22%3A%7B%22sdURL%22%3A%22" +
           coded + "%22%7D%7D%5D\");\n</script>\n</body>\n</html>\n";
}

} // namespace vantaro::testing
