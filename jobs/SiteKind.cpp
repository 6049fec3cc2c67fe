// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/SiteKind.h"

#include "core/Constants.h"

namespace vantaro {

SiteKeywords findSiteKeywords(std::string_view link) {
    auto holds = [link](const char* keyword) {
        return link.find(keyword) != std::string_view::npos;
    };
    SiteKeywords found;
    found.youtube = holds(YouTubeKeyword);
    found.dailymotion = holds(DailymotionKeyword);
    found.wat = holds(WatKeyword);
    found.tf1 = holds(Tf1Keyword);
    return found;
}

SiteKind siteKindOf(std::string_view link) {
    const SiteKeywords found = findSiteKeywords(link);
    if (found.youtube)
        return SiteKind::YouTube;
    if (found.dailymotion)
        return SiteKind::Dailymotion;
    if (found.wat)
        return SiteKind::Wat;
    if (found.tf1)
        return SiteKind::Tf1;
    return SiteKind::Unsupported;
}

} // namespace vantaro
