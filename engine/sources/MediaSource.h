// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/RunContext.h"
#include "engine/Fetch.h"
#include "engine/WorkerHost.h"
#include "engine/WorkerTexts.h"
#include "jobs/DownloadJob.h"

#include <optional>
#include <string>

namespace vantaro {

// The files of one link: the output path without extension and the temporary files beside it.
struct JobFiles {
    JobFiles(const std::string& folder, const std::string& fileName)
        : base(jobBase(folder, fileName)), pageFile(base + "xxx.txt"),
          downloadFile(base + "xxx.flv") {}
    std::string base;
    std::string pageFile;
    std::string downloadFile;
};

// A fetch the job needed did not deliver its whole body, and no stop cut it: the fetch has
// already shown why, and the job ends there.
struct IncompleteFetch {};

// The texts a source shows before its media fetch and before the conversion that follows.
struct StepTexts {
    WorkerText fetching;
    WorkerText converting;
};

// What a media source uses of the download run it serves.
class SourceRun {
public:
    virtual ~SourceRun() = default;
    virtual WorkerHost& host() = 0;
    virtual RunContext& context() = 0;
    virtual bool listMode() const = 0;
    virtual const std::string& formatName() const = 0;
    virtual void status(WorkerText id) = 0;
    // How the page fetch of the current link ended; nothing when the link has none.
    virtual std::optional<FetchResult> pageFetch() const = 0;
};

// One road from a page link to its media. A source lives for one link.
class MediaSource {
public:
    virtual ~MediaSource() = default;

    // Fetches the media of the link into files.downloadFile. Returns the texts of the steps that
    // follow when the media is there or a stop cut its fetch, nothing when the source has ended
    // the link itself (the user has been told). Throws IncompleteFetch when a fetch it needed
    // did not arrive whole.
    virtual std::optional<StepTexts> fetchMedia(const std::string& link, const JobFiles& files) = 0;
    // The conversion made this file of the media.
    virtual void mediaMade(const std::string& file) { static_cast<void>(file); }
};

// The media link's fetch into the download file, after the fetching text: a download that did
// not arrive whole, and that no stop cut, is neither converted nor kept.
StepTexts fetchMediaFile(SourceRun& run, const std::string& mediaLink, const JobFiles& files,
                         StepTexts texts);

// Removes a file; a folder of that name is left alone.
void removeJobFile(const std::string& path);

} // namespace vantaro
