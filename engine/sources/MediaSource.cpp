// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/sources/MediaSource.h"

#include <filesystem>
#include <system_error>

namespace vantaro {

StepTexts fetchMediaFile(SourceRun& run, const std::string& mediaLink, const JobFiles& files,
                         StepTexts texts) {
    run.status(texts.fetching);
    const RunContext& context = run.context();
    const FetchResult fetched = fetchToFile(mediaLink, files.downloadFile, run.host(),
                                            context.stopToken(), context.language());
    if (fetched != FetchResult::Whole && !context.stopRequested())
        throw IncompleteFetch{};
    return texts;
}

void removeJobFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (!fs::is_directory(fs::symlink_status(path, ignored)))
        fs::remove(path, ignored);
}

} // namespace vantaro
