// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/sources/MediaSource.h"

#include <optional>
#include <string>

namespace vantaro {

// A road through the maker's service, which answers a page link with its media link.
class ServiceSource : public MediaSource {
public:
    ServiceSource(SourceRun& run, std::string serviceHost)
        : m_run(run), m_serviceHost(std::move(serviceHost)) {}

protected:
    // The service's answer for the link. In single-link mode an error reply is shown and
    // nothing returned; in the list the reply is taken as it is.
    std::optional<std::string> resolve(const std::string& link);

    SourceRun& m_run;

private:
    std::string m_serviceHost;
};

// A YouTube page: the service resolves it, the page fetched before is not used.
class YouTubeSource : public ServiceSource {
public:
    using ServiceSource::ServiceSource;
    std::optional<StepTexts> fetchMedia(const std::string& link, const JobFiles& files) override;
};

// A WAT or TF1 page: resolved by the service as well, with texts of its own.
class WatTf1Source : public ServiceSource {
public:
    using ServiceSource::ServiceSource;
    std::optional<StepTexts> fetchMedia(const std::string& link, const JobFiles& files) override;
};

} // namespace vantaro
