// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WorkerHost.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vantaro::testing {

// A WorkerHost that records every request and event in order, as "kind:value" lines (an event
// by its name, with the mode after a colon where it has one), and answers message
// boxes from a queue (Yes when the queue is empty). Safe to call from the worker thread.
class RecordingHost : public WorkerHost {
public:
    struct Message {
        MessageKind kind;
        std::string text;
        std::string caption;
    };

    bool showMessage(MessageKind kind, const std::string& text,
                     const std::string& caption = {}) override {
        bool answer = true;
        {
            std::lock_guard lock(m_mutex);
            m_messages.push_back({kind, text, caption});
            m_events.push_back("message:" + text);
            if (!m_answers.empty()) {
                answer = m_answers.front();
                m_answers.pop_front();
            }
        }
        notify("message:" + text);
        return answer;
    }
    void setStatus(const std::string& text) override { record("status:" + text); }
    void setProgressMax(std::int64_t maximum) override {
        {
            std::lock_guard lock(m_mutex);
            m_progressMax = maximum;
            m_progressPosition = 0;
            m_events.push_back("max:" + std::to_string(maximum));
        }
        notify("max:" + std::to_string(maximum));
    }
    void setProgressPosition(std::int64_t position) override {
        {
            std::lock_guard lock(m_mutex);
            m_progressPosition = position;
            m_events.push_back("position:" + std::to_string(position));
        }
        notify("position:" + std::to_string(position));
    }
    std::int64_t progressPosition() override {
        std::lock_guard lock(m_mutex);
        return m_progressPosition;
    }
    std::int64_t progressMax() override {
        std::lock_guard lock(m_mutex);
        return m_progressMax;
    }
    void appendLog(const std::string& line) override { record("log:" + line); }
    int listSize() override {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(rows.size());
    }
    ListRowTexts readListRow(int row) override {
        std::lock_guard lock(m_mutex);
        return rows.at(static_cast<std::size_t>(row - 1));
    }
    void deleteFirstListRow() override {
        {
            std::lock_guard lock(m_mutex);
            if (!rows.empty())
                rows.erase(rows.begin());
            m_events.push_back("deleteRow");
        }
        notify("deleteRow");
    }
    void restoreMainWindow() override { record("restore"); }
    void workStarted(WorkMode mode) override { record("started:" + modeName(mode)); }
    void rowTaken() override { record("rowTaken"); }
    void rowDone() override { record("rowDone"); }
    void linkDone() override { record("linkDone"); }
    void stopCleanedUp(WorkMode mode) override { record("stopCleanedUp:" + modeName(mode)); }
    void listStoppedBetweenRows() override { record("stoppedBetweenRows"); }
    void listEnded() override { record("listEnded"); }

    // Answers for the next confirmation boxes, in order.
    void queueAnswer(bool yes) {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(yes);
    }
    std::vector<std::string> events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    std::vector<Message> messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::vector<std::string> eventsStartingWith(const std::string& prefix) const {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> found;
        for (const auto& event : m_events) {
            if (event.rfind(prefix, 0) == 0)
                found.push_back(event.substr(prefix.size()));
        }
        return found;
    }

    std::vector<ListRowTexts> rows; // the list's entries (row 1 first)

    // Called on the requesting thread after each request has been recorded, outside the lock.
    // Set it before the worker starts.
    std::function<void(const std::string& event)> onEvent;

private:
    // The elaborated names stay right where a file also sees the program-wide work mode.
    static std::string modeName(WorkMode mode) {
        switch (mode) {
        case WorkMode::Single:
            return "single";
        case WorkMode::List:
            return "list";
        case WorkMode::None:
            break;
        }
        return "none";
    }
    void record(std::string event) {
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back(event);
        }
        notify(event);
    }
    void notify(const std::string& event) {
        if (onEvent)
            onEvent(event);
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::vector<Message> m_messages;
    std::deque<bool> m_answers;
    std::int64_t m_progressMax = 100;
    std::int64_t m_progressPosition = 100;
};

} // namespace vantaro::testing
