// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CaptureLog.h"

#include "capture/CaptureLogText.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace vantaro {

CaptureLogWriter::CaptureLogWriter(QPlainTextEdit& box, int limit) : m_box(box), m_limit(limit) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(CaptureLogFlushMs);
    connect(&m_timer, &QTimer::timeout, this, &CaptureLogWriter::flush);
    // Nobody undoes a log: with undo on, the document would keep every line it ever showed,
    // the removed ones too, and grow with every job.
    m_box.document()->setUndoRedoEnabled(false);
}

void CaptureLogWriter::append(const std::string& text) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find_first_of("\r\n", start);
        m_pending.push_back(QString::fromUtf8(
            text.data() + start,
            static_cast<qsizetype>((end == std::string::npos ? text.size() : end) - start)));
        if (end == std::string::npos)
            break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    // Lines beyond the limit would be dropped by the box at once: they are not kept.
    while (m_pending.size() > static_cast<std::size_t>(m_limit))
        m_pending.pop_front();
    // A line after a quiet spell is written at once; lines that follow it within the interval
    // wait for the interval's end and go together.
    if (!m_timer.isActive())
        flush();
}

void CaptureLogWriter::flush() {
    m_timer.stop();
    if (m_pending.empty())
        return; // quiet: the next line is written at once
    // At most a batch per turn of the event loop; the rest follows at the next interval.
    const auto count = std::min(m_pending.size(), static_cast<std::size_t>(CaptureLogFlushLines));
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i) {
        lines.push_back(std::move(m_pending.front()));
        m_pending.pop_front();
    }
    m_box.appendPlainText(lines.join(u'\n'));
    // The oldest lines go in one edit: the box's own limit would drop them one by one.
    QTextDocument* document = m_box.document();
    const int excess = document->blockCount() - m_limit;
    if (excess > 0) {
        QTextCursor cursor(document);
        cursor.movePosition(QTextCursor::Start);
        cursor.setPosition(document->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    m_timer.start();
}

} // namespace vantaro
