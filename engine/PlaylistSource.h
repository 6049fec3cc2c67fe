// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobs/PlaylistAdd.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vantaro {

// The arguments that ask yt-dlp for a link's playlist, entries unresolved, as one JSON text.
std::vector<std::string>
ytDlpPlaylistArguments(const std::string& link,
                       const std::vector<std::string>& versionArguments = {});

// Reads yt-dlp's JSON answer in one pass over the text, keeping only the entries' links and
// titles: a playlist with at least one entry, or Single for anything else (a video, an empty
// playlist). An answer that is not JSON is Failed.
PlaylistAnswer parsePlaylistAnswer(std::string_view json);

// Asks yt-dlp whether the link is a playlist and for its entries; blocks until yt-dlp has ended,
// or cancel is set (yt-dlp and its children are then ended at once). No yt-dlp program, or a
// link yt-dlp knows no extractor for, is Single; any other failure is Failed with yt-dlp's
// reason.
PlaylistAnswer readPlaylist(const std::string& program, const std::string& link,
                            const std::atomic<bool>& cancel);

// Reads playlists with yt-dlp on a thread of its own, one at a time, and hands each answer to
// the thread that started it.
class YtDlpPlaylistReader : public PlaylistReader {
public:
    // program gives, at each start, the configured program (empty: the program's own copy,
    // else yt-dlp on PATH).
    explicit YtDlpPlaylistReader(std::function<std::string()> program);
    ~YtDlpPlaylistReader() override; // ends a reading under way; its answer is not delivered

    void start(const std::string& link, std::function<void(PlaylistAnswer)> done) override;
    void cancel() override;

private:
    std::function<std::string()> m_program;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
    std::unique_ptr<QObject> m_context; // receives the answers on the starting thread
};

} // namespace vantaro
