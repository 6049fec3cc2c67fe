// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"
#include "core/SystemReasons.h"

#include <QProcess>

#include <cstddef>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantaro {

// A converter tool could not be started; carries the system's error number. Its user text
// calls a missing tool a converter that cannot be found.
class ConverterStartError : public SystemFailure {
public:
    ConverterStartError(int code, const std::string& program);
    int code() const { return errorNumber(); }
    // The system's text for the error number.
    std::string systemText() const;
    std::string userText(Language language) const override;
};

// The last lines a tool wrote, kept within a fixed size however much it writes. Carriage
// returns end lines too, as the converters redraw their progress line with them.
class OutputTail {
public:
    static constexpr std::size_t MaxLines = 20;
    static constexpr std::size_t MaxLineLength = 512;

    void append(const char* data, std::size_t size);
    std::vector<std::string> lines() const;

private:
    void endLine();

    std::deque<std::string> m_lines;
    std::string m_current;
};

// One run of a converter tool: started from an argument vector (never through a shell) with
// the program's environment and current directory, its standard input the null device, its
// output and errors merged and kept only as a short tail.
class ConverterProcess {
public:
    // language: that of the text of a start error.
    explicit ConverterProcess(Language language = Language::French);
    ~ConverterProcess(); // a tool still running is killed and reaped
    ConverterProcess(const ConverterProcess&) = delete;
    ConverterProcess& operator=(const ConverterProcess&) = delete;

    // Throws ConverterStartError when the tool cannot be started.
    void start(const std::string& program, const std::vector<std::string>& arguments);
    // Waits up to the given time; true once the tool has ended.
    bool waitForEnd(int milliseconds);
    // Kills the tool at once. False when the system refused; a tool already gone is no error.
    bool terminate();

    bool exitedNormally() const; // ended by itself, not by a signal
    int exitCode() const;
    std::vector<std::string> lastLines() const { return m_tail.lines(); }

private:
    void drainOutput();

    Language m_language;
    QProcess m_process;
    OutputTail m_tail;
    bool m_ended = false;
};

} // namespace vantaro
