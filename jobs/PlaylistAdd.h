// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessagePresenter.h"
#include "core/RunContext.h"
#include "jobs/DownloadCommands.h"
#include "jobs/DownloadJob.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantaro {

class LinkList;

// One entry of a playlist as its reader gave it.
struct PlaylistEntry {
    std::string link;
    std::string title;
};

// What reading a link found.
struct PlaylistAnswer {
    enum class Kind {
        Single,    // not a playlist, an empty one, or no reader program: the link is one row
        Playlist,  // a playlist of at least one entry
        Failed,    // the reader failed; reason says why
        Cancelled, // stopped before it ended
    };
    Kind kind = Kind::Single;
    std::vector<PlaylistEntry> entries;
    std::string reason;
};

// Reads a link off the user-interface thread and tells what it found.
class PlaylistReader {
public:
    virtual ~PlaylistReader() = default;
    // Starts reading; done is called once, on the thread that called start, unless the reader
    // is destroyed first. One reading at a time.
    virtual void start(const std::string& link, std::function<void(PlaylistAnswer)> done) = 0;
    // Ends the reading under way (its done then gets Cancelled); nothing when none runs.
    virtual void cancel() = 0;
};

// What the add of a playlist touches in the window.
class PlaylistAddHost : public MessagePresenter {
public:
    virtual void setStatus(const std::string& text) = 0;
    // While true the add commands are disabled and Stop is enabled.
    virtual void setReading(bool reading) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    // The rows of a playlist were appended: the list's view shows them now, in one change.
    virtual void showAddedRows() {}
};

// The rows a playlist gives, and how many entries were left out for a link that cannot be one.
struct PlaylistRows {
    std::vector<DownloadJob> rows;
    int leftOut = 0;
};

// One row per entry in the playlist's order, with the request's format and folder: the file
// name from the entry's title (made safe for a file name and unique among the list's rows of
// that folder and that folder's files), the MP3 title the entry's title (cleaned and cut, see
// cleanRemoteText) when the request kept the default one. An entry whose link is not a supported
// http:// or https:// link, or holds a space or a control character, is left out.
PlaylistRows playlistRows(const std::vector<PlaylistEntry>& entries, const DownloadJob& request,
                          const LinkList& list,
                          const std::function<bool(const std::string&)>& fileExists);

// The file name a title gives: as a loaded list title (spaces and "/" become "-"), control
// characters replaced too, cut to fit a file name; empty for an empty title.
std::string playlistFileName(const std::string& title);

// Whether yt-dlp is asked about a link before it becomes a row: false for the video pages of
// the four sites, known by their shape, which go to the list at once as they always did.
bool mayBePlaylist(std::string_view link);

// The status text after a playlist was added.
std::string playlistAddedText(std::size_t added, int leftOut, Language language);

// The add commands' last step: the entry is read first, and a playlist adds one row per entry;
// anything else adds the entry as it was given.
class PlaylistAdd : public ListAppender {
public:
    PlaylistAdd(LinkList& list, PlaylistReader& reader, PlaylistAddHost& host,
                const RunContext& context);

    bool reading() const { return m_reading; }
    // Starts the reading of the link; the rows come when it ends.
    void appendListEntry(const std::string& formatName, const std::string& folder,
                         const std::string& fileName, const std::string& mp3Title,
                         const std::string& link) override;
    // Stop: ends a reading under way; no row is added.
    void stop();

private:
    void finish(const DownloadJob& request, PlaylistAnswer answer);

    LinkList& m_list;
    PlaylistReader& m_reader;
    PlaylistAddHost& m_host;
    const RunContext& m_context;
    bool m_reading = false;
};

namespace messages {
extern const char* const PlaylistReadingFr;
extern const char* const PlaylistReadingEn;
extern const char* const PlaylistFailedFr;
extern const char* const PlaylistFailedEn;
} // namespace messages

} // namespace vantaro
