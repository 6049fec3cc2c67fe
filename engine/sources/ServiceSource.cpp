// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/sources/ServiceSource.h"

#include "engine/Resolver.h"

namespace vantaro {

std::optional<std::string> ServiceSource::resolve(const std::string& link) {
    RunContext& context = m_run.context();
    std::optional<std::string> answer = resolveLink(link, m_run.host(), context, m_serviceHost);
    // The last line of a cut reply is no answer. A stop is seen after the media fetch, as ever.
    if (!answer && !context.stopRequested())
        throw IncompleteFetch{};
    std::string reply = answer.value_or(std::string());
    if (!m_run.listMode() && reply.find("ERROR") != std::string::npos) {
        reportResolverError(reply, m_run.host(), context.language());
        m_run.status(WorkerText::Ready);
        return std::nullopt;
    }
    return reply;
}

std::optional<StepTexts> YouTubeSource::fetchMedia(const std::string& link, const JobFiles& files) {
    removeJobFile(files.pageFile);
    const std::optional<std::string> media = resolve(link);
    if (!media)
        return std::nullopt;
    const StepTexts texts =
        m_run.listMode() ? StepTexts{WorkerText::ListVideoFetching, WorkerText::ListConverting}
                         : StepTexts{WorkerText::VideoFetching, WorkerText::ConvertingWait};
    return fetchMediaFile(m_run, *media, files, texts);
}

std::optional<StepTexts> WatTf1Source::fetchMedia(const std::string& link, const JobFiles& files) {
    if (!m_run.listMode())
        m_run.status(WorkerText::WatTf1Source);
    removeJobFile(files.pageFile);
    const std::optional<std::string> media = resolve(link);
    if (!media)
        return std::nullopt;
    // The list shows the single link's texts on this road.
    return fetchMediaFile(m_run, *media, files,
                          {WorkerText::VideoFetching, WorkerText::Converting});
}

} // namespace vantaro
