// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Constants.h"
#include "core/ProgramFolder.h"
#include "jobs/LinkDialogs.h"
#include "jobs/ListCommands.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vantaro::testing {

// The program around the add and modify dialogs: records the boxes shown, answers the
// preferences file's existence and the list folder field as told.
class FakeDialogHost : public LinkDialogHost {
public:
    bool showMessage(MessageKind kind, const std::string& text, const std::string&) override {
        kinds.push_back(kind);
        messages.push_back(text);
        return true;
    }
    bool directoryExists(const std::string& path) override { return isExistingDirectory(path); }
    bool preferencesFileExists() override { return preferencesFile; }
    std::string listFolderField() override { return listFolder; }
    std::string defaultDownloadsFolder() override {
        return std::string("/opt/vantaro/") + DownloadsFolderName;
    }

    std::vector<MessageKind> kinds;
    std::vector<std::string> messages;
    bool preferencesFile = false;
    std::string listFolder;
};

// The folder dialog: gives its answers in turn (nothing: the user cancels) and records what it
// was opened with.
class FakeFolderPicker : public FolderPicker {
public:
    std::optional<std::string> pickFolder(const std::string& caption,
                                          const std::string& startFolder) override {
        captions.push_back(caption);
        startFolders.push_back(startFolder);
        if (answers.empty())
            return std::nullopt;
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> captions;
    std::vector<std::string> startFolders;
};

// What the list commands need besides the list: a worker that runs while told, and boxes that
// are recorded.
class FakeCommandHost : public ListCommandHost {
public:
    bool showMessage(MessageKind, const std::string& text, const std::string&) override {
        messages.push_back(text);
        return true;
    }
    bool workerRunning() const override { return running; }
    void startWorker(const DownloadJob&) override {}
    void storeSingleDownload(const std::string&, const std::string&) override {}
    void storeList(const std::string&) override {}
    bool directoryExists(const std::string& path) override { return isExistingDirectory(path); }
    std::string chooseListFile() override { return {}; }
    void processPendingEvents() override {}
    void listReady() override {}

    std::vector<std::string> messages;
    bool running = false;
};

} // namespace vantaro::testing
