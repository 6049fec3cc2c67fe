// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Conversion.h"

#include "core/Constants.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "engine/ConverterProcess.h"
#include "jobs/FormatCatalogue.h"

#include <QtGlobal>

#include <filesystem>
#include <string_view>
#include <system_error>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t ConversionProgressMax = 100;
// How often a running converter is looked at, in milliseconds.
constexpr int ConverterPollMilliseconds = 200;

std::string memoryProcessMessage(Language language) {
    return pickText(language,
                    "Erreur processus m\u00e9moire, merci de signaler cette erreur avec votre "
                    "configuration \u00e0 ",
                    "Memory process error, please send this error to ") +
           std::string(MakerDomain);
}

std::uintmax_t fileSize(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

// The bar fills in about twenty seconds and starts again while the converter runs.
void creepProgress(WorkerHost& host) {
    const std::int64_t position = host.progressPosition();
    host.setProgressPosition(position < host.progressMax() ? position + 1 : 0);
}

// Waits for the converter to end, killing it after every wait while a stop is asked.
void waitForConverter(ConverterProcess& process, WorkerHost& host, const RunContext& context) {
    for (;;) {
        const bool ended = process.waitForEnd(ConverterPollMilliseconds);
        creepProgress(host);
        if (ended)
            return;
        if (context.stopRequested() && !process.terminate())
            host.showMessage(MessageKind::Plain, memoryProcessMessage(context.language()));
    }
}

bool conversionSucceeded(const ConverterProcess& process, const std::string& formatName,
                         const std::string& base) {
    if (!process.exitedNormally() || process.exitCode() != 0)
        return false;
    const std::optional<std::string> output = outputFile(formatName, base);
    return output.has_value() && fileSize(*output) > 0;
}

// Keeps a download whose conversion failed: under base + ".flv" when that name is free,
// otherwise where it is. Returns where it now lies.
std::string keepDownload(const std::string& input, const std::string& base) {
    const std::string kept = base + ".flv";
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(kept, ec))) {
        fs::rename(input, kept, ec);
        if (!ec)
            return kept;
    }
    return input;
}

void reportFailure(const std::string& input, const std::string& base, const std::string& formatName,
                   WorkerHost& host, Language language, const std::string& why = {}) {
    const std::string kept = keepDownload(input, base);
    host.setStatus(conversionFailedStatus(language, formatName));
    host.showMessage(MessageKind::Information,
                     conversionFailedMessage(language, formatName, kept, why));
}

// The codec of a stream line ("  Stream #0:1(und): Audio: aac (LC) (mp4a / ...), ...") of the
// kind given, or empty.
std::string streamCodec(std::string_view line, std::string_view kind) {
    if (line.find("Stream #") == std::string_view::npos)
        return {};
    const std::string mark = ": " + std::string(kind) + ": ";
    const std::size_t at = line.find(mark);
    if (at == std::string_view::npos)
        return {};
    const std::string_view rest = line.substr(at + mark.size());
    return std::string(rest.substr(0, rest.find_first_of(" ,")));
}

// Asks the converter to describe the input; what it says of the streams.
StreamCodecs probeCodecs(const std::string& program, const std::string& input,
                         const RunContext& context) {
    ConverterProcess process(context.language());
    process.start(program, {"-hide_banner", "-i", input});
    while (!process.waitForEnd(ConverterPollMilliseconds)) {
        if (context.stopRequested())
            process.terminate();
    }
    return describedCodecs(process.lastLines());
}

} // namespace

StreamCodecs describedCodecs(const std::vector<std::string>& lines) {
    StreamCodecs codecs;
    for (const std::string& line : lines) {
        if (codecs.video.empty())
            codecs.video = streamCodec(line, "Video");
        if (codecs.audio.empty())
            codecs.audio = streamCodec(line, "Audio");
    }
    return codecs;
}

bool flvHoldsAsIs(const StreamCodecs& codecs) {
    // What every FLV reader plays: H.264 or the old Sorenson video, AAC or MP3 sound.
    const bool video = codecs.video == "h264" || codecs.video == "flv1";
    const bool audio = codecs.audio.empty() || codecs.audio == "aac" || codecs.audio == "mp3";
    return video && audio;
}

std::vector<std::string> flvArguments(const std::string& input, const std::string& output,
                                      bool copy) {
    std::vector<std::string> arguments = {"-n", "-i", input, "-map", "0:v:0?", "-map", "0:a:0?"};
    if (copy)
        arguments.insert(arguments.end(), {"-c", "copy"});
    else
        arguments.insert(arguments.end(), {"-c:v", "libx264", "-preset", "veryfast", "-c:a", "aac",
                                           "-b:a", "128k", "-ar", "44100"});
    arguments.insert(arguments.end(), {"-f", "flv", output});
    return arguments;
}

void convertToFlv(const std::string& input, const std::string& base, WorkerHost& host,
                  const RunContext& context) {
    const std::string output = base + ".flv";
    std::error_code ec;
    if (fs::exists(fs::symlink_status(output, ec)))
        return;
    host.setProgressMax(ConversionProgressMax);
    host.conversionStarted();
    const Language language = context.language();
    const std::string program = runningProgramFolder() + toolRelativePath(ConverterTool::F);
    ConverterProcess process(language);
    try {
        const bool copy = flvHoldsAsIs(probeCodecs(program, input, context));
        if (context.stopRequested()) {
            fs::remove(input, ec);
            return;
        }
        process.start(program, flvArguments(input, output, copy));
    } catch (const ConverterStartError& error) {
        host.setProgressPosition(host.progressMax());
        reportFailure(input, base, "FLV", host, language, error.userText(language));
        return;
    }
    waitForConverter(process, host, context);
    host.setProgressPosition(host.progressMax());
    if (context.stopRequested()) {
        fs::remove(input, ec); // the caller removes what this conversion made
        return;
    }
    if (!process.exitedNormally() || process.exitCode() != 0 || fileSize(output) == 0) {
        for (const std::string& line : process.lastLines())
            qWarning("converter: %s", line.c_str());
        fs::remove(output, ec); // made by this run: the name was free
        reportFailure(input, base, "FLV", host, language);
        return;
    }
    host.setStatus(pickText(language, "Pr\u00eat", "Ready"));
    fs::remove(input, ec);
}

std::string conversionFailedMessage(Language language, const std::string& formatName,
                                    const std::string& keptFile, const std::string& why) {
    const std::string between = why.empty() ? std::string(". ") : ". " + why + ". ";
    return pickText(language,
                    "La conversion vers le format " + formatName + " a \u00e9chou\u00e9" + between +
                        "La vid\u00e9o t\u00e9l\u00e9charg\u00e9e est conserv\u00e9e : " + keptFile,
                    "The conversion to the format " + formatName + " failed" + between +
                        "The downloaded video was kept: " + keptFile);
}

std::string conversionFailedStatus(Language language, const std::string& formatName) {
    return pickText(language, "La conversion vers le format " + formatName + " a \u00e9chou\u00e9",
                    "The conversion to the format " + formatName + " failed");
}

void convertMedia(const std::string& input, const std::string& base, const std::string& formatName,
                  WorkerHost& host, const RunContext& context) {
    const FormatEntry* format = findFormat(formatName);
    const ConverterTool tool = format != nullptr ? format->tool : ConverterTool::F;
    host.setProgressMax(ConversionProgressMax);
    host.conversionStarted();
    const ConversionPaths paths{input, base, context.currentJob().mp3Title()};
    const Language language = context.language();

    ConverterProcess process(language);
    try {
        process.start(runningProgramFolder() + toolRelativePath(tool),
                      argumentVector(formatName, paths));
    } catch (const ConverterStartError& error) {
        // Nothing was converted, so nothing of the user's may go: the download stays.
        host.setProgressPosition(host.progressMax());
        reportFailure(input, base, formatName, host, language, error.userText(language));
        return;
    }
    waitForConverter(process, host, context);
    const bool stopped = context.stopRequested();

    host.setProgressPosition(host.progressMax());
    if (!stopped && fileSize(input) > 0 && !conversionSucceeded(process, formatName, base)) {
        for (const std::string& line : process.lastLines())
            qWarning("converter: %s", line.c_str());
        reportFailure(input, base, formatName, host, language);
        return;
    }
    host.setStatus(pickText(language, "Pr\u00eat", "Ready"));
    std::error_code ignored;
    fs::remove(input, ignored);
}

} // namespace vantaro
