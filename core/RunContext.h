// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"

#include <atomic>
#include <mutex>
#include <string>

namespace vantaro {

// Which run the download worker carries out: one link, or the rows of the link list.
enum class WorkMode { None = 0, Single = 100, List = 200 };

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

// What a running program shares between its window, its commands and its download worker: the
// stop token, the work mode, whether the list runs, the current job's texts, the language and the
// folder picked last. The window makes one and hands it to everything it starts; each test makes
// its own, so nothing carries over from one test to the next.
class RunContext {
public:
    explicit RunContext(Language language = Language::French) : m_language(language) {}
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    // The stop token: set by Stop, cleared when a run starts, looked at by every long step.
    void requestStop() { m_stop = true; }
    void clearStop() { m_stop = false; }
    bool stopRequested() const { return m_stop.load(); }
    const std::atomic<bool>& stopToken() const { return m_stop; }

    WorkMode workMode() const { return m_mode.load(); }
    void setWorkMode(WorkMode mode) { m_mode = mode; }

    // True while the list download goes through the rows.
    bool listRunning() const { return m_listRunning.load(); }
    void setListRunning(bool running) { m_listRunning = running; }

    CurrentJobTexts& currentJob() { return m_currentJob; }
    const CurrentJobTexts& currentJob() const { return m_currentJob; }

    // The language of every text the program shows; set by the window when it is made.
    Language language() const { return m_language.load(); }
    void setLanguage(Language language) { m_language = language; }
    bool english() const { return language() == Language::English; }
    const char* pickText(const char* french, const char* english) const;
    std::string pickText(const std::string& french, const std::string& english) const;

    // The folder shared by the two folder pickers and the list loader; empty at start.
    std::string lastPickedFolder() const;
    void setLastPickedFolder(const std::string& folder);

private:
    std::atomic<bool> m_stop{false};
    std::atomic<WorkMode> m_mode{WorkMode::None};
    std::atomic<bool> m_listRunning{false};
    std::atomic<Language> m_language;
    CurrentJobTexts m_currentJob;
    mutable std::mutex m_folderMutex;
    std::string m_lastPickedFolder;
};

} // namespace vantaro
