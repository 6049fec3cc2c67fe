// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Mp3Tagging.h"

#include "core/Constants.h"
#include "core/ProgramFolder.h"
#include "engine/ConverterProcess.h"

#include <filesystem>
#include <system_error>

namespace vantaro {
namespace {

namespace fs = std::filesystem;

constexpr int TagPollMs = 50; // the stop token is looked at this often during the pass

void removeFile(const std::string& path) {
    std::error_code ignored;
    if (!fs::is_directory(fs::symlink_status(path, ignored)))
        fs::remove(path, ignored);
}

} // namespace

std::vector<std::string> mp3TagArguments(const std::string& mp3, const std::string& output,
                                         const std::string& artist, const std::string& coverFile) {
    std::vector<std::string> arguments = {"-hide_banner", "-nostdin", "-y", "-i", mp3};
    if (!coverFile.empty())
        arguments.insert(arguments.end(), {"-i", coverFile});
    arguments.insert(arguments.end(), {"-map", "0:a", "-c:a", "copy", "-map_metadata", "0"});
    if (!coverFile.empty())
        arguments.insert(arguments.end(),
                         {"-map", "1:v:0", "-c:v", "mjpeg", "-frames:v", "1", "-disposition:v:0",
                          "attached_pic", "-metadata:s:v:0", "title=Album cover", "-metadata:s:v:0",
                          "comment=Cover (front)"});
    if (!artist.empty())
        arguments.insert(arguments.end(), {"-metadata", "artist=" + artist});
    arguments.insert(arguments.end(), {"-id3v2_version", "3", "-f", "mp3", output});
    return arguments;
}

bool tagMp3(const std::string& mp3, const std::string& artist, const std::string& coverFile,
            const std::string& workFolder, const std::atomic<bool>& stop) {
    if (artist.empty() && coverFile.empty())
        return true;
    // Written into the job's own folder, then put in the MP3's place.
    const std::string tagged = workFolder + "/tagged.mp3";
    std::error_code error;
    if (workFolder.empty() || fs::exists(fs::symlink_status(tagged, error)))
        return false;         // not a name of ours: the MP3 stays untagged rather than lose a file
    ConverterProcess process; // its start error is not shown, whatever its language
    try {
        process.start(runningProgramFolder() + ConverterF,
                      mp3TagArguments(mp3, tagged, artist, coverFile));
    } catch (const ConverterStartError&) {
        return false;
    }
    while (!process.waitForEnd(TagPollMs)) {
        if (stop.load())
            process.terminate();
    }
    const bool made = !stop.load() && process.exitedNormally() && process.exitCode() == 0 &&
                      fs::file_size(tagged, error) > 0 && !error;
    if (made)
        fs::rename(tagged, mp3, error);
    removeFile(tagged);
    return made && !error;
}

} // namespace vantaro
