// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Conversion.h"

#include "core/Constants.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "engine/ConverterProcess.h"
#include "jobs/FormatCatalogue.h"

#include <QtGlobal>

#include <filesystem>
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

} // namespace

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
