// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace vantaro {

enum class SiteKind { YouTube, Dailymotion, Wat, Tf1, Unsupported };

// Which site keywords a link holds: a case-sensitive search anywhere in the whole link.
struct SiteKeywords {
    bool youtube = false;
    bool dailymotion = false;
    bool wat = false;
    bool tf1 = false;

    bool any() const { return youtube || dailymotion || wat || tf1; }
};

SiteKeywords findSiteKeywords(std::string_view link);

// The first site whose keyword the link holds, in the order YouTube, Dailymotion, WAT, TF1.
SiteKind siteKindOf(std::string_view link);

inline bool isSupportedLink(std::string_view link) { return findSiteKeywords(link).any(); }

} // namespace vantaro
