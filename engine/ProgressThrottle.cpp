// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ProgressThrottle.h"

#include <algorithm>
#include <cstdlib>

namespace vantaro {

ProgressThrottle::ProgressThrottle(WorkerHost& inner) : m_inner(inner) {}

void ProgressThrottle::flush() {
    if (m_pending && m_position)
        forward(*m_position);
}

void ProgressThrottle::forward(std::int64_t position) {
    m_pending = false;
    m_shown = position;
    m_shownAt = Clock::now();
    ++m_forwarded;
    m_inner.setProgressPosition(position);
}

void ProgressThrottle::setProgressPosition(std::int64_t position) {
    m_position = position;
    const std::int64_t step = std::max<std::int64_t>(1, m_max.value_or(0) / VisibleSteps);
    const bool visible = !m_shown || std::llabs(position - *m_shown) >= step;
    const bool edge = position == 0 || (m_max && position >= *m_max);
    if (visible || edge || Clock::now() - m_shownAt >= MaxDelay) {
        if (m_shown && *m_shown == position && !m_pending)
            return; // the window already shows it
        forward(position);
    } else {
        m_pending = true;
    }
}

void ProgressThrottle::setProgressMax(std::int64_t maximum) {
    flush();
    m_max = maximum;
    // The window may have moved its position to fit the new maximum: ask it next time.
    m_position.reset();
    m_shown.reset();
    m_inner.setProgressMax(maximum);
}

std::int64_t ProgressThrottle::progressPosition() {
    if (!m_position) {
        flush();
        m_position = m_inner.progressPosition();
        m_shown = m_position;
    }
    return *m_position;
}

std::int64_t ProgressThrottle::progressMax() {
    if (!m_max) {
        flush();
        m_max = m_inner.progressMax();
    }
    return *m_max;
}

bool ProgressThrottle::showMessage(MessageKind kind, const std::string& text,
                                   const std::string& caption) {
    flush();
    return m_inner.showMessage(kind, text, caption);
}

void ProgressThrottle::setStatus(const std::string& text) {
    flush();
    m_inner.setStatus(text);
}

void ProgressThrottle::appendLog(const std::string& line) {
    flush();
    m_inner.appendLog(line);
}

int ProgressThrottle::listSize() {
    flush();
    return m_inner.listSize();
}

ListRowTexts ProgressThrottle::readListRow(int row) {
    flush();
    return m_inner.readListRow(row);
}

void ProgressThrottle::deleteFirstListRow() {
    flush();
    m_inner.deleteFirstListRow();
}

void ProgressThrottle::restoreMainWindow() {
    flush();
    m_inner.restoreMainWindow();
}

void ProgressThrottle::workStarted(WorkMode mode) {
    flush();
    m_inner.workStarted(mode);
}

void ProgressThrottle::rowTaken() {
    flush();
    m_inner.rowTaken();
}

void ProgressThrottle::rowDone() {
    flush();
    m_inner.rowDone();
}

void ProgressThrottle::linkDone() {
    flush();
    m_inner.linkDone();
}

void ProgressThrottle::stopCleanedUp(WorkMode mode) {
    flush();
    m_inner.stopCleanedUp(mode);
}

void ProgressThrottle::listStoppedBetweenRows() {
    flush();
    m_inner.listStoppedBetweenRows();
}

void ProgressThrottle::listEnded() {
    flush();
    m_inner.listEnded();
}

void ProgressThrottle::conversionStarted() {
    flush();
    m_inner.conversionStarted();
}

void ProgressThrottle::workEnded(const WorkSummary& summary) {
    flush();
    m_inner.workEnded(summary);
}

} // namespace vantaro
