// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/PlaylistAdd.h"

#include "core/Constants.h"
#include "core/Language.h"
#include "core/RemoteText.h"
#include "jobs/FormatCatalogue.h"
#include "jobs/LinkList.h"
#include "jobs/ListFile.h"
#include "jobs/RandomNames.h"
#include "jobs/SiteKind.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

namespace vantaro {

namespace messages {
const char* const PlaylistReadingFr = "Lecture de la liste de lecture\u2026";
const char* const PlaylistReadingEn = "Reading the playlist\u2026";
const char* const PlaylistFailedFr = "La liste de lecture n'a pas pu être lue.\r\n\r\n";
const char* const PlaylistFailedEn = "The playlist could not be read.\r\n\r\n";
} // namespace messages

namespace {

// Room left for the extension and the temporary suffixes in a 255-byte file name.
constexpr std::size_t MaxNameBytes = 200;
// A fragment yt-dlp adds to links it hands between its own extractors.
constexpr std::string_view SmuggledMark = "#__youtubedl_smuggle=";

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The name cut to at most maxBytes, not inside a UTF-8 character.
std::string cutToFit(std::string name, std::size_t maxBytes) {
    if (name.size() > maxBytes) {
        std::size_t cut = maxBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return name;
}

// The entry's link as a row holds it, or nothing when it is not one a typed link could be. A
// link never holds a space, a control character or a NUL: such a text is something else.
std::optional<std::string> rowLink(std::string link) {
    if (std::any_of(link.begin(), link.end(),
                    [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F; }))
        return std::nullopt;
    if (const std::size_t mark = link.find(SmuggledMark); mark != std::string::npos)
        link.erase(mark);
    if (!(startsWith(link, "http://") || startsWith(link, "https://")) || !isSupportedLink(link))
        return std::nullopt;
    return link;
}

} // namespace

std::string playlistFileName(const std::string& title) {
    std::string name = titleToFileName(title);
    std::replace_if(
        name.begin(), name.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7F; }, '-');
    return cutToFit(std::move(name), MaxNameBytes);
}

PlaylistRows playlistRows(const std::vector<PlaylistEntry>& entries, const DownloadJob& request,
                          const LinkList& list,
                          const std::function<bool(const std::string&)>& fileExists) {
    const std::string& folder = request.destinationPathName;
    std::unordered_set<std::string> taken;
    for (int row = 1; row <= list.entryCount(); ++row)
        if (list.cell(row, 2) == folder)
            taken.insert(list.cell(row, 3));
    const auto isFree = [&](const std::string& name) {
        const std::string base = jobBase(folder, name);
        return !taken.contains(name) &&
               !fileExists(outputFile(request.formatName, base).value_or(base));
    };
    const bool defaultTitle = request.mp3Title == DefaultMp3Title;

    PlaylistRows result;
    result.rows.reserve(entries.size());
    for (const PlaylistEntry& entry : entries) {
        std::optional<std::string> link = rowLink(entry.link);
        if (!link) {
            ++result.leftOut;
            continue;
        }
        std::string stem = playlistFileName(entry.title);
        if (stem.empty())
            stem = randomFileName();
        std::string name = stem;
        for (int copy = 2; !isFree(name); ++copy) {
            const std::string suffix = "-" + std::to_string(copy);
            name = cutToFit(stem, MaxNameBytes - suffix.size()) + suffix; // still fits
        }
        taken.insert(name);
        std::string title = request.mp3Title;
        if (request.formatName == "MP3" && defaultTitle) {
            title = cleanRemoteText(entry.title);
            if (title.empty())
                title = name;
        }
        result.rows.push_back(
            DownloadJob{std::move(*link), folder, name, request.formatName, std::move(title)});
    }
    return result;
}

bool mayBePlaylist(std::string_view link) {
    const auto holds = [link](std::string_view part) {
        return link.find(part) != std::string_view::npos;
    };
    if (holds("list=") || holds("playlist"))
        return true;
    // One video each: no wait, no network and no box for a video that is offline just now.
    static constexpr std::string_view VideoPages[] = {
        "youtube.com/watch?",
        "youtube.com/embed/",
        "youtube.com/shorts/",
        "youtube.com/v/",
        "youtu.be/",
        "dailymotion.com/video/",
        "dai.ly/",
        "wat.tv/video/",
    };
    for (std::string_view page : VideoPages)
        if (holds(page))
            return false;
    return !(holds("tf1.fr/") && holds("/videos/") && link.ends_with(".html"));
}

std::string playlistAddedText(std::size_t added, int leftOut, Language language) {
    std::string text = std::to_string(added) +
                       pickText(language, " liens ajoutés à la liste", " links added to the list");
    if (leftOut > 0)
        text += ", " + std::to_string(leftOut) +
                pickText(language, " laissés de côté (lien non pris en charge)",
                         " left out (link not supported)");
    return text;
}

PlaylistAdd::PlaylistAdd(LinkList& list, PlaylistReader& reader, PlaylistAddHost& host,
                         const RunContext& context)
    : m_list(list), m_reader(reader), m_host(host), m_context(context) {}

void PlaylistAdd::appendListEntry(const std::string& formatName, const std::string& folder,
                                  const std::string& fileName, const std::string& mp3Title,
                                  const std::string& link) {
    const DownloadJob request{link, folder, fileName, formatName, mp3Title};
    // The add commands are disabled during a reading; any other caller gets one row.
    if (m_reading || !mayBePlaylist(link)) {
        m_list.appendListEntry(formatName, folder, fileName, mp3Title, link);
        return;
    }
    m_reading = true;
    m_host.setReading(true);
    m_host.setStatus(m_context.pickText(messages::PlaylistReadingFr, messages::PlaylistReadingEn));
    m_reader.start(link,
                   [this, request](PlaylistAnswer answer) { finish(request, std::move(answer)); });
}

void PlaylistAdd::stop() {
    if (m_reading)
        m_reader.cancel();
}

void PlaylistAdd::finish(const DownloadJob& request, PlaylistAnswer answer) {
    m_reading = false;
    m_host.setReading(false);
    m_host.setStatus(m_context.pickText("Prêt", "Ready"));
    switch (answer.kind) {
    case PlaylistAnswer::Kind::Cancelled:
        return;
    case PlaylistAnswer::Kind::Failed:
        m_host.showMessage(
            MessageKind::Information,
            m_context.pickText(messages::PlaylistFailedFr, messages::PlaylistFailedEn) +
                answer.reason);
        return;
    case PlaylistAnswer::Kind::Single:
        m_list.appendListEntry(request.formatName, request.destinationPathName,
                               request.destinationFileName, request.mp3Title, request.videoUrl);
        return;
    case PlaylistAnswer::Kind::Playlist:
        break;
    }
    const PlaylistRows rows =
        playlistRows(answer.entries, request, m_list,
                     [this](const std::string& path) { return m_host.fileExists(path); });
    answer.entries = {};
    for (const DownloadJob& row : rows.rows)
        m_list.appendListEntry(row.formatName, row.destinationPathName, row.destinationFileName,
                               row.mp3Title, row.videoUrl);
    m_host.showAddedRows();
    m_host.setStatus(playlistAddedText(rows.rows.size(), rows.leftOut, m_context.language()));
}

} // namespace vantaro
