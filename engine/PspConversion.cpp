// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PspConversion.h"

#include "core/Constants.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "engine/ConverterProcess.h"
#include "jobs/RandomNames.h"

#include <filesystem>
#include <system_error>

namespace vantaro {
namespace {

// The converter's fixed metadata.
constexpr const char* PspTitleTag = "Tessavo";
constexpr const char* PspTimestamp = "2008-02-01 01:19:11";
// How often the running converter is looked at, in milliseconds.
constexpr int ConverterPollMilliseconds = 200;

const char* const ConversionImpossible =
    "La transformation de la vid\u00e9o vers PSP ne peut pas \u00eatre effectu\u00e9e.\r\n\r\n";

bool pspSucceeded(const ConverterProcess& process, const std::string& target) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(target, ec);
    return process.exitedNormally() && process.exitCode() == 0 && !ec && size > 0;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

} // namespace

std::vector<std::string> pspArguments(const std::string& source, const std::string& target) {
    return {"-y",        "-i",      source, "-title",  PspTitleTag, "-timestamp", PspTimestamp,
            "-bitexact", "-vcodec", "xvid", "-coder",  "1",         "-bufsize",   "128",
            "-g",        "250",     "-s",   "320x240", "-r",        "29.97",      "-b",
            "384",       "-acodec", "aac",  "-ac",     "2",         "-ar",        "24000",
            "-ab",       "64",      "-f",   "psp",     target};
}

std::string convertToPsp(const std::string& source, const std::string& folder, PspHost& host,
                         Language language) {
    host.setStatus("Traitement de FLV vers PSP..");
    const std::string target = joinPath(folder, pspFileName() + ".MP4");
    std::error_code ec;
    const bool targetWasThere =
        std::filesystem::exists(std::filesystem::symlink_status(target, ec));

    ConverterProcess process(language);
    try {
        process.start(runningProgramFolder() + PspConverter, pspArguments(source, target));
    } catch (const ConverterStartError& error) {
        host.showMessage(MessageKind::Error,
                         "Erreur syst\u00e8me.  Code : " + std::to_string(error.code()) + ".\r\n" +
                             converterStartReason(error.code(), language));
        return target;
    }
    while (!process.waitForEnd(ConverterPollMilliseconds))
        host.processPendingEvents();

    if (pspSucceeded(process, target)) {
        host.setStatus("Pr\u00eat");
        return target;
    }
    // What a failed converter wrote (a full disk, a crash) is not a PSP video: it goes, unless
    // the name was taken before this conversion.
    if (!targetWasThere)
        std::filesystem::remove(target, ec);
    host.setStatus(pickText(language, "La transformation vers PSP a \u00e9chou\u00e9",
                            "The PSP conversion failed"));
    return target;
}

void PspCommands::chooseVideo() {
    const std::string chosen =
        m_host.chooseFile(m_context.pickText("Fichier vid\u00e9o", "Video File"));
    if (!chosen.empty())
        m_dialogFileName = chosen;
    if (!m_dialogFileName.empty())
        m_host.setSourceText(m_dialogFileName);
}

void PspCommands::convertVideo() {
    const std::string source = m_host.sourceText();
    if (source.empty()) {
        m_host.showMessage(MessageKind::Information,
                           std::string(ConversionImpossible) +
                               "Aucune vid\u00e9o source (champs \"Source\") n'est indiqu\u00e9e");
        return;
    }
    const std::string folder =
        m_host.chooseFolder("Choisissez le dossier o\u00f9 la vid\u00e9o PSP sera cr\u00e9e");
    if (folder.empty()) {
        m_host.showMessage(MessageKind::Information,
                           std::string(ConversionImpossible) +
                               "Aucun dossier destination n'est sp\u00e9cifi\u00e9");
        return;
    }
    convertToPsp(source, folder, m_host, m_context.language());
}

} // namespace vantaro
