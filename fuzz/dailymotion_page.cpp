// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the Dailymotion page extraction: a page saved to a file, read, scanned and deleted.

#include "engine/DailymotionLink.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

class NullHost : public vantaro::WorkerHost {
public:
    bool showMessage(vantaro::MessageKind, const std::string&, const std::string&) override {
        return true;
    }
    void setStatus(const std::string&) override {}
    void setProgressMax(std::int64_t) override {}
    void setProgressPosition(std::int64_t) override {}
    std::int64_t progressPosition() override { return 0; }
    std::int64_t progressMax() override { return 0; }
    void appendLog(const std::string& line) override { logged += line.size() + 1; }
    int listSize() override { return 0; }
    vantaro::ListRowTexts readListRow(int) override { return {}; }
    void deleteFirstListRow() override {}
    void restoreMainWindow() override {}

    std::size_t logged = 0;
};

const std::string& pagePath() {
    static const std::string path = "/tmp/fuzz-dailymotion-" + std::to_string(::getpid()) + ".txt";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    std::FILE* file = std::fopen(pagePath().c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(page.data(), 1, page.size(), file);
    std::fclose(file);

    NullHost host;
    const std::string link = vantaro::extractDailymotionLink(pagePath(), host);
    // Without a marker there is neither a link nor a log line.
    if (page.find("apiSequenceURL") == std::string::npos && (!link.empty() || host.logged != 0))
        std::abort();
    // Decoding never makes a text longer, and the link comes out of the page.
    if (link.size() > page.size())
        std::abort();
    if (::access(pagePath().c_str(), F_OK) == 0)
        std::abort(); // the page file must be gone
    return 0;
}
