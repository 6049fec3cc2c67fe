// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/sources/DailymotionSource.h"

#include "engine/DailymotionLink.h"

namespace vantaro {

std::optional<StepTexts> DailymotionSource::fetchMedia(const std::string& link,
                                                       const JobFiles& files) {
    static_cast<void>(link); // the page fetched before is what is read
    // Half a page may still offer a link, only not the one the whole page would have given.
    const std::optional<FetchResult> page = m_run.pageFetch();
    if (page && *page != FetchResult::Whole && !m_run.context().stopRequested())
        throw IncompleteFetch{};
    const std::string media = extractDailymotionLink(files.pageFile, m_run.host());
    const StepTexts texts =
        m_run.listMode() ? StepTexts{WorkerText::ListVideoFetching, WorkerText::ListConverting}
                         : StepTexts{WorkerText::VideoFetching, WorkerText::Converting};
    return fetchMediaFile(m_run, media, files, texts);
}

} // namespace vantaro
