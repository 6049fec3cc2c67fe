// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as yt-dlp's playlist answer. The entries, written back as JSON, read the
// same again; the rows they give hold links without spaces or control characters, file names
// that stay in their folder, and MP3 titles cut and cleaned.
#include "core/Constants.h"
#include "engine/PlaylistSource.h"
#include "jobs/LinkList.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using vantaro::PlaylistAnswer;

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string asAnswer(const PlaylistAnswer& answer) {
    std::string json = R"({"_type": "playlist", "entries": [)";
    for (std::size_t i = 0; i < answer.entries.size(); ++i)
        json += (i == 0 ? "{\"url\": " : ", {\"url\": ") + jsonString(answer.entries[i].link) +
                ", \"title\": " + jsonString(answer.entries[i].title) + "}";
    return json + "]}";
}

bool clean(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

void checkRows(const PlaylistAnswer& answer) {
    const vantaro::LinkList list;
    const vantaro::PlaylistRows rows =
        vantaro::playlistRows(answer.entries, {"l", "/music", "n", "MP3", vantaro::DefaultMp3Title},
                              list, [](const std::string&) { return false; });
    if (rows.rows.size() + static_cast<std::size_t>(rows.leftOut) != answer.entries.size())
        std::abort();
    for (const vantaro::DownloadJob& row : rows.rows) {
        const std::string& name = row.destinationFileName;
        if (!clean(row.videoUrl) || row.videoUrl.find(' ') != std::string::npos || name.empty() ||
            name.size() > 200 || name.find('/') != std::string::npos || !clean(name) ||
            row.mp3Title.size() > 250 || !clean(row.mp3Title))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const PlaylistAnswer answer = vantaro::parsePlaylistAnswer(text);
    if ((answer.kind == PlaylistAnswer::Kind::Playlist) == answer.entries.empty())
        std::abort();
    if (answer.kind != PlaylistAnswer::Kind::Playlist)
        return 0;
    const PlaylistAnswer again = vantaro::parsePlaylistAnswer(asAnswer(answer));
    if (again.kind != PlaylistAnswer::Kind::Playlist ||
        again.entries.size() != answer.entries.size())
        std::abort();
    for (std::size_t i = 0; i < answer.entries.size(); ++i)
        if (again.entries[i].link != answer.entries[i].link ||
            again.entries[i].title != answer.entries[i].title)
            std::abort();
    checkRows(answer);
    return 0;
}
