// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test media made with the system's ffmpeg, and ffprobe's view of converted files.

#include "QtTestRun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace vantaro::testing {

struct ToolRun {
    bool started = false;
    bool finished = false;
    int exitCode = -1;
    std::string output; // standard output and errors merged
};

// Runs a program with an argument vector (no shell), standard input the null device.
inline ToolRun runTool(const std::string& program, const std::vector<std::string>& arguments,
                       int timeoutMs = 180000) {
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QString::fromStdString(program), list);
    ToolRun run;
    run.started = process.waitForStarted(-1);
    if (!run.started)
        return run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(-1);
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = process.readAll().toStdString();
    return run;
}

enum class ClipKind {
    Flv, // FLV1 video with MP3 audio at 44.1 kHz, as the video sites served it
    Mp4, // H.264 (4:2:0) with AAC audio in MP4
};

// A test pattern with a tone, made once per build folder and shared by every test program:
// written under a private name, then renamed into place.
inline std::string testClip(ClipKind kind, int seconds) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(VANTARO_BINARY_DIR) / "test-clips";
    fs::create_directories(folder);
    const std::string name = std::string(kind == ClipKind::Flv ? "pattern" : "pattern-h264") + "-" +
                             std::to_string(seconds) + "s" +
                             (kind == ClipKind::Flv ? ".flv" : ".mp4");
    const fs::path clip = folder / name;
    if (fs::exists(clip))
        return clip.string();
    const fs::path partial = folder / (std::to_string(::getpid()) + "-" + name);
    const std::string length = std::to_string(seconds);
    std::vector<std::string> arguments = {
        "-hide_banner", "-y",
        "-f",           "lavfi",
        "-i",           "testsrc=size=320x240:rate=25:duration=" + length,
        "-f",           "lavfi",
        "-i",           "sine=frequency=440:sample_rate=44100:duration=" + length};
    if (kind == ClipKind::Flv)
        arguments.insert(arguments.end(), {"-c:v", "flv1", "-c:a", "libmp3lame", "-ar", "44100"});
    else
        arguments.insert(arguments.end(),
                         {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-f", "mp4"});
    arguments.push_back(partial.string());
    const ToolRun run = runTool("ffmpeg", arguments);
    if (run.exitCode != 0)
        return {};
    fs::rename(partial, clip);
    return clip.string();
}

struct Probe {
    bool readable = false;
    std::string formatName;
    std::vector<std::string> codecs;    // in stream order
    std::vector<std::string> codecTags; // fourcc texts, in stream order
    std::map<std::string, std::string> tags;
    int width = 0;
    std::string displayAspect;
    int audioPackets = 0; // packets of the first audio stream
};

inline Probe probe(const std::string& path) {
    const ToolRun run = runTool("ffprobe", {"-v", "error", "-of", "json", "-count_packets",
                                            "-show_format", "-show_streams", path});
    Probe result;
    if (run.exitCode != 0)
        return result;
    const QJsonObject root =
        QJsonDocument::fromJson(QByteArray::fromStdString(run.output)).object();
    result.readable = true;
    const QJsonObject format = root.value("format").toObject();
    result.formatName = format.value("format_name").toString().toStdString();
    const QJsonObject tags = format.value("tags").toObject();
    for (auto it = tags.begin(); it != tags.end(); ++it)
        result.tags[it.key().toLower().toStdString()] = it.value().toString().toStdString();
    for (const QJsonValue& value : root.value("streams").toArray()) {
        const QJsonObject stream = value.toObject();
        result.codecs.push_back(stream.value("codec_name").toString("unknown").toStdString());
        result.codecTags.push_back(stream.value("codec_tag_string").toString().toStdString());
        if (stream.value("codec_type").toString() == "video") {
            result.width = stream.value("width").toInt();
            result.displayAspect = stream.value("display_aspect_ratio").toString().toStdString();
        }
        if (stream.value("codec_type").toString() == "audio" && result.audioPackets == 0)
            result.audioPackets = stream.value("nb_read_packets").toString().toInt();
    }
    return result;
}

// Process ids of the running processes whose command line mentions the given text.
inline std::vector<int> processesMentioning(const std::string& text) {
    namespace fs = std::filesystem;
    std::vector<int> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        QFile cmdline(QString::fromStdString(entry.path().string() + "/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        QByteArray content = cmdline.readAll();
        content.replace('\0', ' ');
        if (content.toStdString().find(text) != std::string::npos)
            found.push_back(std::stoi(name));
    }
    return found;
}

// True while the process exists and has not ended (a zombie has ended).
inline bool processAlive(int pid) {
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = stat.readAll();
    const qsizetype close = content.lastIndexOf(')');
    return close >= 0 && close + 2 < content.size() && content[close + 2] != 'Z' &&
           content[close + 2] != 'X';
}

} // namespace vantaro::testing
