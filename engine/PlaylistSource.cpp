// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PlaylistSource.h"

#include "engine/YtDlpSource.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <cstring>
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
constexpr unsigned ReplacementCharacter = 0xFFFD;
// Where a run of plain characters inside a string ends: its end, an escape, or a control
// character (32 of them, NUL first, so the text has an explicit size).
constexpr std::string_view StringStops{
    "\"\\\0\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"
    "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f",
    34};

// A reader of the few parts of a JSON text that a playlist answer needs; everything else is
// stepped over without being kept.
class JsonScanner {
public:
    explicit JsonScanner(std::string_view text) : m_text(text) {}

    bool atEnd() {
        space();
        return m_pos >= m_text.size();
    }
    // Takes the character when it comes next.
    bool take(char c) {
        space();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool next(char c) {
        space();
        return m_pos < m_text.size() && m_text[m_pos] == c;
    }
    // A string, decoded into out when given.
    bool string(std::string* out);
    // A string value into out; null gives an empty text, any other value is stepped over.
    bool stringOrSkip(std::string& out) {
        if (next('"'))
            return string(&out);
        out.clear();
        return skipValue();
    }
    bool skipValue();

private:
    void space() {
        while (m_pos < m_text.size() && std::strchr(" \t\r\n", m_text[m_pos]) != nullptr &&
               m_text[m_pos] != '\0')
            ++m_pos;
    }
    bool escape(std::string* out);
    std::optional<unsigned> hex4();

    std::string_view m_text;
    std::size_t m_pos = 0;
};

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::optional<unsigned> JsonScanner::hex4() {
    if (m_text.size() - m_pos < 4)
        return std::nullopt;
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = m_text[m_pos++];
        const char* digits = "0123456789abcdef";
        const char* found = std::strchr(digits, c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        if (c == '\0' || found == nullptr)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(found - digits);
    }
    return value;
}

bool JsonScanner::escape(std::string* out) {
    if (m_pos >= m_text.size())
        return false;
    const char c = m_text[m_pos++];
    const char* plain = "\"\\/bfnrt";
    const char* meant = "\"\\/\b\f\n\r\t";
    if (const char* found = std::strchr(plain, c); found != nullptr && c != '\0') {
        if (out)
            *out += meant[found - plain];
        return true;
    }
    if (c != 'u')
        return false;
    std::optional<unsigned> code = hex4();
    if (!code)
        return false;
    // A character beyond the first plane comes as two escapes, a surrogate pair. Half a pair
    // stands for no character: it gives the replacement character, and what follows it is read
    // on its own.
    if (*code >= 0xD800 && *code < 0xDC00) {
        const std::size_t afterHigh = m_pos;
        std::optional<unsigned> low;
        if (m_text.substr(m_pos, 2) == "\\u") {
            m_pos += 2;
            low = hex4();
        }
        if (low && *low >= 0xDC00 && *low < 0xE000) {
            code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
        } else {
            m_pos = afterHigh;
            code = ReplacementCharacter;
        }
    } else if (*code >= 0xDC00 && *code < 0xE000) {
        code = ReplacementCharacter;
    }
    if (out)
        appendUtf8(*out, *code);
    return true;
}

bool JsonScanner::string(std::string* out) {
    if (!take('"'))
        return false;
    if (out)
        out->clear();
    while (m_pos < m_text.size()) {
        const std::size_t stop = m_text.find_first_of(StringStops, m_pos);
        if (stop == std::string_view::npos || static_cast<unsigned char>(m_text[stop]) < 0x20)
            return false; // a control character is never written as it is inside a string
        if (out)
            out->append(m_text.substr(m_pos, stop - m_pos));
        m_pos = stop + 1;
        if (m_text[stop] == '"')
            return true;
        if (!escape(out))
            return false;
    }
    return false;
}

bool JsonScanner::skipValue() {
    int depth = 0;
    do {
        if (atEnd())
            return false;
        const char c = m_text[m_pos];
        if (c == '"') {
            if (!string(nullptr))
                return false;
        } else if (c == '{' || c == '[') {
            ++depth;
            ++m_pos;
        } else if (c == '}' || c == ']' || c == ',' || c == ':') {
            if (depth == 0 || ((c == '}' || c == ']') && --depth < 0))
                return false;
            ++m_pos;
        } else {
            const std::size_t start = m_pos;
            while (m_pos < m_text.size() && std::strchr(",:]} \t\r\n", m_text[m_pos]) == nullptr)
                ++m_pos;
            if (m_pos == start)
                return false;
        }
    } while (depth > 0);
    return true;
}

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

std::vector<std::string> ytDlpPlaylistArguments(const std::string& link) {
    // Only what is given here counts; the entries stay links, and the link is read as a link.
    return {"--ignore-config", "--flat-playlist", "--dump-single-json", "--", link};
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
    if (!ytDlpAnswers(program, cancel))
        return cancel.load() ? cancelled : PlaylistAnswer{};
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    startInOwnGroup(process);
    process.start(QString::fromStdString(program), qtArguments(ytDlpPlaylistArguments(link)),
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
    const std::string program = ytDlpProgramOrDefault(m_program ? m_program() : std::string());
    QObject* context = m_context.get();
    m_thread = std::thread([this, program, link, context, done = std::move(done)]() mutable {
        PlaylistAnswer answer = readPlaylist(program, link, m_cancel);
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
