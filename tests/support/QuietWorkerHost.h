// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A window side that shows nothing, for benchmarks that measure the engine and not a display:
// boxes go to the error stream and are counted, the progress bar's values are kept, every other
// request is dropped.

#include "engine/WorkerHost.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace vantaro::testing {

class QuietWorkerHost : public WorkerHost {
public:
    bool showMessage(MessageKind, const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++messages;
        return true;
    }
    void setStatus(const std::string&) override {}
    void setProgressMax(std::int64_t maximum) override { max = maximum; }
    void setProgressPosition(std::int64_t value) override {
        position = value;
        ++positionCalls;
    }
    std::int64_t progressPosition() override { return position; }
    std::int64_t progressMax() override { return max; }
    void appendLog(const std::string&) override {}
    int listSize() override { return 0; }
    ListRowTexts readListRow(int) override { return {}; }
    void deleteFirstListRow() override {}
    void restoreMainWindow() override {}

    int messages = 0;
    std::int64_t max = 0;
    std::int64_t position = 0;
    long positionCalls = 0;
};

} // namespace vantaro::testing
