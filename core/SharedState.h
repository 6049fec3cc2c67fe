// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <mutex>
#include <string>

namespace vantaro {

inline constexpr int WorkModeSingle = 100;
inline constexpr int WorkModeList = 200;

// Process-wide state shared by the window (user-interface thread) and the download worker.
extern std::atomic<int> WorkMode;
extern std::atomic<bool> StopRequested;
extern std::atomic<bool> ListRunning;

// The format name and MP3 title of the job being carried out. Written by the download command
// before the worker starts, or by the worker itself for each list row.
class CurrentJobTexts {
public:
    void setFormatName(const std::string& name);
    void setMp3Title(const std::string& title);
    std::string formatName() const;
    std::string mp3Title() const;

private:
    mutable std::mutex m_mutex;
    std::string m_formatName;
    std::string m_mp3Title;
};
extern CurrentJobTexts CurrentJob;

} // namespace vantaro
