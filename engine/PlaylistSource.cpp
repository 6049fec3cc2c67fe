// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PlaylistSource.h"

#include "engine/JsonScanner.h"
#include "engine/sources/YtDlpEngine.h"
#include "engine/sources/YtDlpSource.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <optional>
#include <utility>

namespace vantaro {
namespace {

constexpr int CancelPollMs = 20; // the cancel flag is looked at this often while yt-dlp runs
constexpr std::string_view UnsupportedReason = "Unsupported URL";
// The most of an answer that is read: far more than a playlist of many thousand entries needs.
constexpr qsizetype MaxAnswerBytes = qsizetype{64} << 20;
// The most of yt-dlp's messages that is kept: the newest, where its last error is.
constexpr qsizetype MaxMessageBytes = qsizetype{64} << 10;
// One entry object: its url and title, the rest stepped over.
bool readEntry(JsonScanner& json, std::vector<PlaylistEntry>& entries) {
    if (!json.take('{'))
        return json.skipValue(); // not an entry: left out
    PlaylistEntry entry;
    if (!json.take('}')) {
        do {
            std::string key;
            if (!json.string(&key) || !json.take(':'))
                return false;
            const bool known = key == "url" || key == "title";
            if (known ? !json.stringOrSkip(key == "url" ? entry.link : entry.title)
                      : !json.skipValue())
                return false;
        } while (json.take(','));
        if (!json.take('}'))
            return false;
    }
    entries.push_back(std::move(entry));
    return true;
}

bool readEntries(JsonScanner& json, std::vector<PlaylistEntry>& entries) {
    if (!json.take('['))
        return json.skipValue();
    if (json.take(']'))
        return true;
    do {
        if (!readEntry(json, entries))
            return false;
    } while (json.take(','));
    return json.take(']');
}

QStringList qtArguments(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments)
        list.push_back(QString::fromStdString(argument));
    return list;
}

// The reason of the last "ERROR:" line of yt-dlp's messages.
std::string lastErrorReason(const QByteArray& messages) {
    std::string reason;
    for (const QByteArray& line : messages.split('\n')) {
        const QByteArray text = line.trimmed();
        if (auto found = ytDlpErrorReason(std::string_view(text.constData(), text.size())))
            reason = std::move(*found);
    }
    return reason;
}

PlaylistAnswer failed(std::string reason) {
    PlaylistAnswer answer;
    answer.kind = PlaylistAnswer::Kind::Failed;
    answer.reason = std::move(reason);
    return answer;
}

} // namespace

std::vector<std::string> ytDlpPlaylistArguments(const std::string& link,
                                                const std::vector<std::string>& versionArguments) {
    // Only what is given here counts; the entries stay links, and the link is read as a link.
    std::vector<std::string> arguments = {"--ignore-config", "--flat-playlist",
                                          "--dump-single-json"};
    arguments.insert(arguments.end(), versionArguments.begin(), versionArguments.end());
    arguments.insert(arguments.end(), {"--", link});
    return arguments;
}

PlaylistAnswer parsePlaylistAnswer(std::string_view text) {
    JsonScanner json(text);
    PlaylistAnswer answer;
    std::string type;
    bool ok = json.take('{');
    if (ok && !json.take('}')) {
        do {
            std::string key;
            ok = json.string(&key) && json.take(':');
            if (ok && key == "_type")
                ok = json.stringOrSkip(type);
            else if (ok && key == "entries")
                ok = readEntries(json, answer.entries);
            else if (ok)
                ok = json.skipValue();
        } while (ok && json.take(','));
        ok = ok && json.take('}');
    }
    if (!ok || !json.atEnd())
        return failed("yt-dlp's answer could not be read");
    if (type != "playlist" || answer.entries.empty()) {
        answer.entries = {};
        return answer;
    }
    answer.kind = PlaylistAnswer::Kind::Playlist;
    return answer;
}

PlaylistAnswer readPlaylist(const std::string& program, const std::string& link,
                            const std::atomic<bool>& cancel) {
    PlaylistAnswer cancelled;
    cancelled.kind = PlaylistAnswer::Kind::Cancelled;
    const YtDlpEngine engine = probeYtDlp(program, cancel);
    if (!engine.answers)
        return cancel.load() ? cancelled : PlaylistAnswer{};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    startInOwnGroup(process);
    process.start(QString::fromStdString(engine.program),
                  qtArguments(ytDlpPlaylistArguments(link, engine.versionArguments)),
                  QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return failed("cannot start " + program);
    // The answer is taken as it comes, so that it is held once, here.
    QByteArray answer;
    QByteArray messages;
    for (bool ended = false; !ended;) {
        ended = process.waitForFinished(CancelPollMs);
        if (!ended && cancel.load()) {
            endProcessGroup(process);
            return cancelled;
        }
        answer += process.readAllStandardOutput();
        messages += process.readAllStandardError();
        if (messages.size() > MaxMessageBytes)
            messages.remove(0, messages.size() - MaxMessageBytes);
        if (answer.size() > MaxAnswerBytes) {
            endProcessGroup(process);
            return failed("yt-dlp's answer is larger than " + std::to_string(MaxAnswerBytes >> 20) +
                          " MiB");
        }
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::string reason = lastErrorReason(messages);
        if (reason.starts_with(UnsupportedReason))
            return {}; // a link only the site roads know
        if (reason.empty())
            reason = program + " ended with code " + std::to_string(process.exitCode());
        return failed(std::move(reason));
    }
    messages.clear();
    return parsePlaylistAnswer(std::string_view(answer.constData(), answer.size()));
}

YtDlpPlaylistReader::YtDlpPlaylistReader(std::function<std::string()> program)
    : m_program(std::move(program)), m_context(std::make_unique<QObject>()) {}

YtDlpPlaylistReader::~YtDlpPlaylistReader() {
    m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
    m_context.reset(); // an answer still on its way is dropped with its receiver
}

void YtDlpPlaylistReader::start(const std::string& link, std::function<void(PlaylistAnswer)> done) {
    if (m_thread.joinable())
        m_thread.join(); // the last reading has handed its answer over already
    m_cancel = false;
    const std::string configured = m_program ? m_program() : std::string();
    QObject* context = m_context.get();
    m_thread = std::thread([this, configured, link, context, done = std::move(done)]() mutable {
        PlaylistAnswer answer = readPlaylist(chosenYtDlpProgram(configured), link, m_cancel);
        QMetaObject::invokeMethod(
            context,
            [done = std::move(done), answer = std::move(answer)]() mutable {
                done(std::move(answer));
            },
            Qt::QueuedConnection);
    });
}

void YtDlpPlaylistReader::cancel() {
    m_cancel = true;
}

} // namespace vantaro
