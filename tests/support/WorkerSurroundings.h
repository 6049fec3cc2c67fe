// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a download worker needs around it in a test, set up and undone in one place: the program
// folder and a current folder of the test's own (the service's reply file is written there). The
// run's flags live in the test's own RunContext.

#include "core/ProgramFolder.h"

#include <filesystem>
#include <string>

namespace vantaro::testing {

class WorkerSurroundings {
public:
    WorkerSurroundings() = default;
    WorkerSurroundings(const WorkerSurroundings&) = delete;
    WorkerSurroundings& operator=(const WorkerSurroundings&) = delete;
    ~WorkerSurroundings() { leave(); }

    // From a test's set-up.
    void enter(const std::string& programFolder, const std::string& currentFolder) {
        setProgramFolder(programFolder);
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(currentFolder);
        m_entered = true;
    }
    // From a test's tear-down, once no worker runs any more.
    void leave() {
        if (!m_entered)
            return;
        m_entered = false;
        std::filesystem::current_path(m_previous);
        setProgramFolder({});
    }

private:
    std::filesystem::path m_previous;
    bool m_entered = false;
};

// Makes a program folder of a test's own whose QrlBin is the build's, with the real converter
// launchers.
inline void makeProgramFolderWithLaunchers(const std::string& programFolder) {
    std::filesystem::create_directories(programFolder);
    std::filesystem::create_directory_symlink(VANTARO_PROGRAM_DIR "/QrlBin",
                                              programFolder + "/QrlBin");
}

} // namespace vantaro::testing
