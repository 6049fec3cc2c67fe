// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Stand-ins for what the main window shows outside itself: its message boxes, and the desktop's
// dialogs and default programs. Both record what they were asked and answer at once.

#include "app/DesktopShell.h"
#include "core/MessagePresenter.h"

#include <QUrl>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace vantaro::testing {

class RecordingPresenter : public MessagePresenter {
public:
    struct Box {
        MessageKind kind;
        std::string text;
    };

    bool showMessage(MessageKind kind, const std::string& text, const std::string&) override {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back({kind, text});
        return m_answerYes;
    }
    std::vector<Box> boxes() const {
        std::lock_guard lock(m_mutex);
        return m_boxes;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> result;
        for (const Box& box : boxes())
            result.push_back(box.text);
        return result;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_boxes.clear();
    }
    void answerQuestionsWith(bool yes) { m_answerYes = yes; }

private:
    mutable std::mutex m_mutex;
    std::vector<Box> m_boxes;
    bool m_answerYes = true;
};

class FakeShell : public DesktopShell {
public:
    struct FolderQuestion {
        std::string caption;
        std::string selected;
    };

    std::string chooseFolder(QWidget*, const std::string& caption,
                             const std::string& selected) override {
        folderQuestions.push_back({caption, selected});
        return next(folderAnswers);
    }
    std::string chooseFile(QWidget*, const std::string& filter) override {
        fileFilters.push_back(filter);
        return next(fileAnswers);
    }
    void openUrl(const QUrl& url) override { opened.push_back(url); }

    std::deque<std::string> folderAnswers; // "" stands for a cancel; none left also cancels
    std::deque<std::string> fileAnswers;
    std::vector<FolderQuestion> folderQuestions;
    std::vector<std::string> fileFilters;
    std::vector<QUrl> opened;

private:
    static std::string next(std::deque<std::string>& answers) {
        if (answers.empty())
            return {};
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace vantaro::testing
