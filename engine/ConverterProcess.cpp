// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ConverterProcess.h"

#include "core/Language.h"

#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace vantaro {
namespace {

// QProcess reports a failed start without the system's error number; asking the file system
// the same question gives it (a file that is there and executable but still failed to start
// is not an executable format).
int startErrorCode(const std::string& program) {
    if (::access(program.c_str(), X_OK) != 0)
        return errno;
    return ENOEXEC;
}

} // namespace

ConverterStartError::ConverterStartError(int code, const std::string& program)
    : SystemFailure("Impossible de lancer " + program, "Cannot start " + program, code) {}

std::string ConverterStartError::systemText() const {
    return std::strerror(code());
}

std::string ConverterStartError::userText(Language language) const {
    return tried(language) + pickText(language, " : ", ": ") +
           converterStartReason(code(), language);
}

void OutputTail::append(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            endLine();
        } else if (m_current.size() < MaxLineLength) {
            m_current += c;
        }
    }
}

void OutputTail::endLine() {
    if (m_current.empty())
        return;
    m_lines.push_back(std::move(m_current));
    m_current.clear();
    if (m_lines.size() > MaxLines)
        m_lines.pop_front();
}

std::vector<std::string> OutputTail::lines() const {
    std::vector<std::string> all(m_lines.begin(), m_lines.end());
    if (!m_current.empty())
        all.push_back(m_current);
    return all;
}

ConverterProcess::ConverterProcess(Language language) : m_language(language) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
}

ConverterProcess::~ConverterProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(-1);
    }
}

void ConverterProcess::start(const std::string& program,
                             const std::vector<std::string>& arguments) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(arguments.size()));
    for (const std::string& argument : arguments)
        list.push_back(QString::fromStdString(argument));
    m_process.setProgram(QString::fromStdString(program));
    m_process.setArguments(list);
    m_process.start(QIODevice::ReadOnly);
    if (!m_process.waitForStarted(-1))
        throw ConverterStartError(startErrorCode(program), program);
}

bool ConverterProcess::waitForEnd(int milliseconds) {
    if (!m_ended)
        m_ended =
            m_process.waitForFinished(milliseconds) || m_process.state() == QProcess::NotRunning;
    drainOutput();
    return m_ended;
}

bool ConverterProcess::terminate() {
    const qint64 pid = m_process.processId();
    if (m_ended || pid <= 0)
        return true;
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0 || errno == ESRCH;
}

bool ConverterProcess::exitedNormally() const {
    return m_ended && m_process.exitStatus() == QProcess::NormalExit;
}

int ConverterProcess::exitCode() const {
    return m_process.exitCode();
}

void ConverterProcess::drainOutput() {
    const QByteArray chunk = m_process.readAll();
    m_tail.append(chunk.constData(), static_cast<std::size_t>(chunk.size()));
}

} // namespace vantaro
