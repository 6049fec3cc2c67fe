// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/sources/MediaSource.h"

namespace vantaro {

// A Dailymotion page: the media link is read out of the page fetched before.
class DailymotionSource : public MediaSource {
public:
    explicit DailymotionSource(SourceRun& run) : m_run(run) {}
    std::optional<StepTexts> fetchMedia(const std::string& link, const JobFiles& files) override;

private:
    SourceRun& m_run;
};

} // namespace vantaro
