// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Resolver.h"

#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "engine/Fetch.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace vantaro {
namespace {

struct ServiceError {
    const char* code;
    const char* french;
    const char* english;
};

// In the order their boxes are shown. "ERROR_SERVER_DWNLD" contains "ERROR_SERVER" as well.
const ServiceError serviceErrors[] = {
    {"ERROR_EMPTY_URL", "Erreur: \r\nle lien vid\u00e9o est vide",
     "Error: \r\nyour video link is empty"},
    {"ERROR_SERVER", "Erreur: \r\nserveur indisponible, merci de retenter plus tard",
     "Error: \r\nserver error, please try again"},
    {"ERROR_SERVER_DWNLD", "Erreur: \r\nserveur indisponible, merci de retenter plus tard",
     "Error: \r\nserver error, please try again"},
};

// Keeps the last line of a text fed in pieces; only that line is held in memory.
class LastLineReader {
public:
    void feed(const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            const bool skip = m_afterCarriageReturn && c == '\n';
            m_afterCarriageReturn = c == '\r';
            if (skip)
                continue; // the LF of a CR LF pair
            if (c == '\r' || c == '\n') {
                m_last = std::move(m_current);
                m_current.clear();
                m_pendingLine = false;
            } else {
                m_current += c;
                m_pendingLine = true;
            }
        }
    }
    std::string result() const { return m_pendingLine ? m_current : m_last; }

private:
    std::string m_last;
    std::string m_current;
    bool m_pendingLine = false;
    bool m_afterCarriageReturn = false;
};

ReplyFileError unreadableReply() {
    return ReplyFileError(
        std::string("Impossible de lire la réponse du service ") + ServiceReplyFileName,
        std::string("Cannot read the service reply ") + ServiceReplyFileName, errno);
}

std::string readLastReplyLine() {
    std::ifstream reply(ServiceReplyFileName, std::ios::binary);
    if (!reply)
        throw unreadableReply();
    LastLineReader reader;
    char buffer[4096];
    while (reply.read(buffer, sizeof buffer) || reply.gcount() > 0)
        reader.feed(buffer, static_cast<std::size_t>(reply.gcount()));
    // A read that failed halfway leaves a line that is not the reply's last.
    if (reply.bad())
        throw unreadableReply();
    return reader.result();
}

// The reply file is written in the current folder: a program started from a folder it cannot
// write in says so in words rather than with the system's short error.
void checkReplyFolder(Language language) {
    const std::string problem = currentFolderProblem(language);
    if (!problem.empty())
        throw FetchFileError(problem);
}

} // namespace

std::string reportRequest(const std::string& link, const std::string& serviceHost) {
    return "http://" + serviceHost + "/addVantaroURL.php?u=" + link;
}

std::string resolveRequest(const std::string& link, const std::string& serviceHost) {
    return "http://" + serviceHost + "/fr/Vantaro/kestravo.php?url=" + link;
}

void reportLink(const std::string& link, WorkerHost& host, const RunContext& context,
                const std::string& serviceHost) {
    checkReplyFolder(context.language());
    fetchToFile(reportRequest(link, serviceHost), ServiceReplyFileName, host, context.stopToken(),
                context.language());
    std::remove(ServiceReplyFileName);
}

bool reportLinkQuietly(const std::string& link, WorkerHost& host, const RunContext& context,
                       const std::string& serviceHost) {
    checkReplyFolder(context.language());
    const bool answered = fetchToFileQuietly(reportRequest(link, serviceHost), ServiceReplyFileName,
                                             host, context.stopToken(), context.language());
    std::remove(ServiceReplyFileName);
    return answered;
}

std::optional<std::string> resolveLink(const std::string& link, WorkerHost& host,
                                       const RunContext& context, const std::string& serviceHost) {
    checkReplyFolder(context.language());
    if (fetchToFile(resolveRequest(link, serviceHost), ServiceReplyFileName, host,
                    context.stopToken(), context.language()) != FetchResult::Whole) {
        std::remove(ServiceReplyFileName);
        return std::nullopt;
    }
    std::string lastLine;
    try {
        lastLine = readLastReplyLine();
    } catch (...) {
        std::remove(ServiceReplyFileName);
        throw;
    }
    std::remove(ServiceReplyFileName);
    return lastLine;
}

std::string lastLineOf(const std::string& text) {
    LastLineReader reader;
    reader.feed(text.data(), text.size());
    return reader.result();
}

void reportResolverError(const std::string& reply, MessagePresenter& presenter, Language language) {
    for (const ServiceError& error : serviceErrors) {
        if (reply.find(error.code) != std::string::npos)
            presenter.showMessage(MessageKind::Plain,
                                  pickText(language, error.french, error.english),
                                  pickText(language, "Erreur", "Error"));
    }
}

} // namespace vantaro
