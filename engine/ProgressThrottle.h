// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WorkerHost.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace vantaro {

// A host in front of the window's host that keeps the progress bar's hand-overs few: a position
// goes through when it has moved by a visible step, when some time has passed since the last one,
// or when it reaches zero or the maximum. A position held back goes through before any other
// request, so the window ends on the exact value and sees every request in the order given.
// Used by one thread, the worker's.
class ProgressThrottle : public WorkerHost {
public:
    // A move of a hundredth of the bar goes through at once; a smaller one when this long has
    // passed since the last. Each hand-over stops the worker until the window has run it, so
    // on a busy desktop a few hundred of them cost a noticeable share of a fast download.
    static constexpr std::int64_t VisibleSteps = 100;
    static constexpr std::chrono::milliseconds MaxDelay{100};

    explicit ProgressThrottle(WorkerHost& inner);

    // Hands a position held back to the window now.
    void flush();
    // How many progress requests reached the window.
    std::int64_t positionsForwarded() const { return m_forwarded; }

    bool showMessage(MessageKind kind, const std::string& text,
                     const std::string& caption = {}) override;
    void setStatus(const std::string& text) override;
    void setProgressMax(std::int64_t maximum) override;
    void setProgressPosition(std::int64_t position) override;
    std::int64_t progressPosition() override;
    std::int64_t progressMax() override;
    void appendLog(const std::string& line) override;
    int listSize() override;
    ListRowTexts readListRow(int row) override;
    void deleteFirstListRow() override;
    void restoreMainWindow() override;
    void workStarted(WorkMode mode) override;
    void rowTaken() override;
    void rowDone() override;
    void linkDone() override;
    void stopCleanedUp(WorkMode mode) override;
    void listStoppedBetweenRows() override;
    void listEnded() override;
    void conversionStarted() override;
    void workEnded(const WorkSummary& summary) override;

private:
    using Clock = std::chrono::steady_clock;

    void forward(std::int64_t position);

    WorkerHost& m_inner;
    std::optional<std::int64_t> m_max;      // as last set, or read from the window
    std::optional<std::int64_t> m_position; // as last set (shown or held back)
    std::optional<std::int64_t> m_shown;    // as last handed to the window
    bool m_pending = false;
    Clock::time_point m_shownAt{};
    std::int64_t m_forwarded = 0;
};

} // namespace vantaro
