// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "update/EngineChoice.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vantaro {

// The folder of what the program remembers between runs that is no setting, ending with "/":
// "vantaro/" under XDG_STATE_HOME when absolute, else under home + "/.local/state". Empty when
// neither is usable.
std::string stateFolderFor(const std::string& xdgStateHome, const std::string& home);
// The file holding the day of the last start-up check for newer engines, in this process's
// environment.
std::string engineCheckDayFile();

// The day written in the file: exactly "YYYY-MM-DD", a real calendar day. Nothing otherwise.
std::optional<std::chrono::sys_days> readCheckDay(const std::string& path);
// Writes the day, creating the folder; false when it cannot be written.
bool writeCheckDay(const std::string& path, std::chrono::sys_days day);
// Today in UTC.
std::chrono::sys_days today();

// What the start-up check is decided from.
struct StartupCheckFacts {
    bool allowed = true;                           // the [Resolver] update switch
    EngineOrigin ytDlpOrigin = EngineOrigin::None; // where the yt-dlp that runs comes from
    bool ownDeno = false;                          // the engines folder holds a deno
    std::optional<std::chrono::sys_days> lastCheck;
    std::chrono::sys_days today{};
};

// The engines to ask the release pages about at this start: only the program's own copies, at
// most once a day, never when the switch is off.
std::vector<Engine> enginesToCheck(const StartupCheckFacts& facts);

// One piece of work on a thread of its own, with a stop token. The work reports back itself
// (queued calls to the window); the object only starts, stops and joins.
class BackgroundJob {
public:
    BackgroundJob() = default;
    ~BackgroundJob(); // stops the work and waits for it
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // False when work still runs.
    bool start(std::function<void(const std::atomic<bool>& stop)> work);
    void stop() { m_stop = true; }
    bool running() const { return m_running; }
    // Stops the work and waits for its thread.
    void stopAndJoin();

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
};

} // namespace vantaro
