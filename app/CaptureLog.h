// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The capture log's writer: lines go into a plain-text box that keeps only its newest lines.
// A line after a quiet spell is written at once; the lines that follow within CaptureLogFlushMs
// are gathered and written together, so that a flood of lines costs the event loop one
// insertion per interval instead of one per line.

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <string>

class QPlainTextEdit;

namespace vantaro {

class CaptureLogWriter : public QObject {
public:
    // limit: the most lines the box holds, older lines being dropped. The box must outlive the
    // writer's last flush: the owner of both destroys the writer first or with the box.
    CaptureLogWriter(QPlainTextEdit& box, int limit);

    // Adds a text to the log; each "\r\n", "\r" or "\n" in it starts a new line.
    void append(const std::string& text);
    // Writes the gathered lines now.
    void flush();
    int pendingLines() const { return static_cast<int>(m_pending.size()); }

private:
    QPlainTextEdit& m_box;
    int m_limit;
    std::deque<QString> m_pending;
    QTimer m_timer;
};

} // namespace vantaro
