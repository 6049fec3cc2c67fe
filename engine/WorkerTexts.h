// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"

#include <string>

namespace vantaro {

// The status and dialog texts of the download worker.
enum class WorkerText {
    PageFetching,        // status before the page source is fetched
    PageFetched,         // status once it is fetched
    LinkExtracting,      // status right after
    VideoFetching,       // status before the media is fetched
    ConvertingWait,      // status before the conversion, asking the user to wait
    Converting,          // the same without the request to wait
    WatTf1Source,        // status of the WAT and TF1 path (French in both languages)
    Ready,               // status once a step is over
    ListPageFetched,     // list mode: page source fetched
    ListExtracting,      // list mode: link being extracted
    ListVideoFetching,   // list mode: media being fetched
    ListConverting,      // list mode: conversion
    UnsupportedLink,     // box for a single link of no known site
    UnsupportedListLink, // box for a list row of no known site
    DownloadFailed,      // box for an error no step handled, followed by the error's text
};

// What the texts are filled with: the format name and the list row's number out of the total.
struct WorkerTextValues {
    std::string formatName;
    int row = 0;
    int total = 0;
};

// The text in the language, its "{fmt}", "{n}", "{total}", "{wat}" and "{tf1}" filled in.
std::string workerText(WorkerText id, Language language, const WorkerTextValues& values = {});

} // namespace vantaro
