// SPDX-License-Identifier: GPL-3.0-or-later
// The engine updates against a release page on 127.0.0.1: one table of cases, each checking
// what the engines folder holds afterwards. A failure must leave the copy in use byte for byte
// as it was, and nothing of the update behind.
#include "ReleaseBench.h"

#include "update/EngineUpdater.h"
#include "update/Verification.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using testing::fileItem;
using testing::readWholeFile;
using testing::writeWholeFile;

constexpr const char* NewTag = "2025.12.08";
constexpr const char* OldTag = "2025.01.15";
constexpr const char* DenoTag = "v2.5.6";

// What the release page serves in one case.
enum class Served {
    Good,         // the engine listed and signed as it should be
    OtherKey,     // the checksum list signed by a key that is not the release key
    WrongSum,     // the list names another file's sum for the engine
    Truncated,    // the answer announces more bytes than it sends
    Missing,      // the engine's file answers 404
    Stalls,       // the engine's file stops flowing halfway; the test presses Stop
    NotAProgram,  // listed and signed, but not something that runs
    OtherVersion, // a working copy that reports another version
    ForeignHost,  // BASE/latest redirects away from 127.0.0.1
    BadTag,       // BASE/latest leads to a tag that is no version
    TwoEntries,   // deno's zip holds a second file
};

struct UpdateCase {
    const char* name;
    Engine engine;
    Served served;
    bool folderThroughFile; // the engines folder lies below a regular file
    bool deflated;          // deno's zip: deflated, or stored
    UpdateFailure expected;
};

const UpdateCase UpdateCases[] = {
    {"YtDlpGoodUpdate", Engine::YtDlp, Served::Good, false, true, UpdateFailure::None},
    {"YtDlpBadSignature", Engine::YtDlp, Served::OtherKey, false, true,
     UpdateFailure::BadSignature},
    {"YtDlpWrongHash", Engine::YtDlp, Served::WrongSum, false, true, UpdateFailure::WrongHash},
    {"YtDlpTruncated", Engine::YtDlp, Served::Truncated, false, true, UpdateFailure::Truncated},
    {"YtDlpNotFound", Engine::YtDlp, Served::Missing, false, true, UpdateFailure::HttpError},
    {"YtDlpStoppedMidDownload", Engine::YtDlp, Served::Stalls, false, true, UpdateFailure::Stopped},
    {"YtDlpDoesNotStart", Engine::YtDlp, Served::NotAProgram, false, true,
     UpdateFailure::DoesNotStart},
    {"YtDlpAnswersAnotherVersion", Engine::YtDlp, Served::OtherVersion, false, true,
     UpdateFailure::WrongVersion},
    {"YtDlpFolderBelowAFile", Engine::YtDlp, Served::Good, true, true,
     UpdateFailure::FolderNotWritable},
    {"YtDlpRedirectAwayFromLoopback", Engine::YtDlp, Served::ForeignHost, false, true,
     UpdateFailure::BadLocation},
    {"YtDlpTagIsNoVersion", Engine::YtDlp, Served::BadTag, false, true, UpdateFailure::BadRelease},
    {"DenoGoodUpdateDeflated", Engine::Deno, Served::Good, false, true, UpdateFailure::None},
    {"DenoGoodUpdateStored", Engine::Deno, Served::Good, false, false, UpdateFailure::None},
    {"DenoWrongHash", Engine::Deno, Served::WrongSum, false, true, UpdateFailure::WrongHash},
    {"DenoZipWithTwoFiles", Engine::Deno, Served::TwoEntries, false, true,
     UpdateFailure::BadArchive},
};

void PrintTo(const UpdateCase& row, std::ostream* out) {
    *out << row.name;
}

class EngineUpdateTest : public ::testing::TestWithParam<UpdateCase> {
protected:
    // The engine the release page offers in this case, and the files listing it.
    std::string makeEngine(const UpdateCase& row) {
        if (row.engine == Engine::Deno)
            return testing::makeDenoZip(m_work.path(), std::string(DenoTag).substr(1), row.deflated,
                                        row.served == Served::TwoEntries);
        if (row.served == Served::NotAProgram)
            return "this is not a program\n";
        return testing::makeZipapp(m_work.path(),
                                   row.served == Served::OtherVersion ? "2024.02.02" : NewTag);
    }

    // Writes the raw answers and returns the server's plan.
    std::string plan(const UpdateCase& row, const std::string& asset, const std::string& engine) {
        const std::string tag = row.engine == Engine::YtDlp ? NewTag : std::string(DenoTag);
        const std::string prefix = std::string("/") + engineFileName(row.engine);
        const std::string download = prefix + "/download/" + tag + "/";
        const std::string sum = testing::sha256Hex(
            m_work.path(), row.served == Served::WrongSum ? engine + "x" : engine);
        std::string routes;
        auto route = [&routes](const std::string& target, const std::string& item) {
            routes += (routes.empty() ? "" : ", ") + ("\"" + target + "\": [" + item + "]");
        };
        auto serveFile = [&](const std::string& name, const std::string& body,
                             const std::string& extra = ", \"length\": true",
                             const std::string& head = testing::OkHead) {
            const std::string path = m_work.file("answer-" + name);
            writeWholeFile(path, head + body);
            route(download + name, fileItem(path, extra));
        };
        if (row.served == Served::ForeignHost)
            route(prefix + "/latest", testing::redirectItem("http://192.0.2.1/tag/" + tag));
        else if (row.served == Served::BadTag)
            route(prefix + "/latest", testing::redirectItem(prefix + "/tag/nightly"));
        else
            route(prefix + "/latest", testing::redirectItem(prefix + "/tag/" + tag));
        route(prefix + "/tag/" + tag, testing::EmptyOk);
        route(prefix + "/tag/nightly", testing::EmptyOk);
        if (row.engine == Engine::YtDlp) {
            const std::string sums = sum + "  " + asset + "\n" + std::string(64, 'a') + "  other\n";
            writeWholeFile(m_work.file("SHA2-256SUMS"), sums);
            (row.served == Served::OtherKey ? m_otherKey : m_releaseKey)
                .sign(m_work.file("SHA2-256SUMS"), m_work.file("SHA2-256SUMS.sig"));
            serveFile("SHA2-256SUMS", sums);
            serveFile("SHA2-256SUMS.sig", readWholeFile(m_work.file("SHA2-256SUMS.sig")));
        } else {
            serveFile(asset + ".sha256sum", sum + "  " + asset + "\n");
        }
        if (row.served == Served::Truncated)
            serveFile(asset, engine.substr(0, engine.size() / 2), "",
                      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(engine.size()) +
                          "\r\n\r\n");
        else if (row.served == Served::Stalls)
            serveFile(asset, engine, ", \"length\": true, \"stall_after\": 200");
        else if (row.served != Served::Missing)
            serveFile(asset, engine);
        return "{\"routes\": {" + routes + "}}";
    }

    testing::TempFolder m_work{"engine-update"};
    testing::SigningKey m_releaseKey{"release"};
    testing::SigningKey m_otherKey{"stranger"};
};

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        names.insert(entry.path().filename().string());
    return names;
}

TEST_P(EngineUpdateTest, LeavesTheEnginesFolderAsExpected) {
    const UpdateCase& row = GetParam();
    const std::string folder =
        row.folderThroughFile ? m_work.file("plain-file/engines/") : m_work.file("engines/");
    if (row.folderThroughFile)
        writeWholeFile(m_work.file("plain-file"), "a file, not a folder");
    UpdateSettings settings;
    settings.enginesFolder = folder;
    settings.keyringPath = m_releaseKey.exportKeyring(m_work.file("release.gpg"));
    settings.pathValue = std::getenv("PATH");
    settings.language = Language::English;
    settings.denoAsset = "deno-x86_64-unknown-linux-gnu.zip";

    // The copy in use before the update: an older release of the same engine.
    const std::string name = engineFileName(row.engine);
    std::string before;
    if (!row.folderThroughFile) {
        fs::create_directories(folder);
        before = row.engine == Engine::YtDlp
                     ? testing::makeZipapp(m_work.path(), OldTag)
                     : "#!/bin/sh\necho 'deno 2.0.0 (stable, release, x86_64-unknown-linux-gnu)'\n";
        writeWholeFile(folder + name, before);
        fs::permissions(folder + name, fs::perms(0755));
    }

    // Asked for by name, in case this machine takes another yt-dlp build than the zipapp.
    const EngineUpdater probe(settings);
    const std::string asset = probe.assetName(row.engine);
    ASSERT_FALSE(asset.empty());
    const std::string engine = makeEngine(row);
    testing::ScriptedHttpServer server(plan(row, asset, engine));
    settings.releasesKey = server.url("");
    const EngineUpdater updater(settings);

    std::atomic<bool> stop{false};
    std::int64_t lastBytes = 0;
    const auto result = updater.update(
        row.engine,
        [&](std::int64_t bytes, std::int64_t) {
            lastBytes = bytes;
            if (row.served == Served::Stalls)
                stop = true;
        },
        stop);

    EXPECT_EQ(result.failure, row.expected) << result.message;
    EXPECT_FALSE(result.message.empty());
    if (row.folderThroughFile) {
        EXPECT_TRUE(server.requests().empty()) << "nothing is fetched for a folder that fails";
        return;
    }
    if (row.expected == UpdateFailure::None) {
        const std::string expectedVersion = row.engine == Engine::YtDlp ? NewTag : DenoTag;
        EXPECT_TRUE(result.replaced);
        EXPECT_EQ(result.version, expectedVersion);
        EXPECT_EQ(readWholeFile(folder + name + ".previous"), before);
        EXPECT_EQ(updater.installedVersion(row.engine, stop), expectedVersion);
        EXPECT_EQ(namesIn(folder), (std::set<std::string>{name, name + ".previous"}));
        if (row.engine == Engine::YtDlp) {
            EXPECT_EQ(readWholeFile(folder + name), engine);
        }
        EXPECT_GT(lastBytes, 0);
    } else {
        EXPECT_FALSE(result.replaced);
        EXPECT_EQ(readWholeFile(folder + name), before);
        EXPECT_EQ(namesIn(folder), std::set<std::string>{name});
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineUpdateTest, ::testing::ValuesIn(UpdateCases),
                         [](const ::testing::TestParamInfo<UpdateCase>& param) {
                             return std::string(param.param.name);
                         });

// A second update to the same release changes nothing and fetches no file.
TEST(EngineUpdateOnceTest, AnUpToDateCopyIsLeftAlone) {
    testing::TempFolder work("engine-current");
    const std::string folder = work.file("engines/");
    fs::create_directories(folder);
    const std::string copy = testing::makeZipapp(work.path(), NewTag);
    writeWholeFile(folder + "yt-dlp", copy);
    fs::permissions(folder + "yt-dlp", fs::perms(0755));
    testing::ScriptedHttpServer server("{\"routes\": {\"/yt-dlp/latest\": [" +
                                       testing::redirectItem(std::string("/yt-dlp/tag/") + NewTag) +
                                       "], \"/yt-dlp/tag/" + NewTag + "\": [" + testing::EmptyOk +
                                       "]}}");
    UpdateSettings settings;
    settings.enginesFolder = folder;
    settings.releasesKey = server.url("/");
    settings.pathValue = std::getenv("PATH");
    settings.ytDlpAsset = "yt-dlp";
    const EngineUpdater updater(settings);
    std::atomic<bool> stop{false};

    const auto check = updater.check(Engine::YtDlp, stop);
    const auto result = updater.update(Engine::YtDlp, nullptr, stop);

    EXPECT_EQ(check.latest, NewTag);
    EXPECT_EQ(check.installed, NewTag);
    EXPECT_FALSE(check.newer);
    EXPECT_TRUE(result.ok()) << result.message;
    EXPECT_FALSE(result.replaced);
    EXPECT_EQ(readWholeFile(folder + "yt-dlp"), copy);
    EXPECT_EQ(namesIn(folder), std::set<std::string>{"yt-dlp"});
    ASSERT_FALSE(server.requests().empty());
    for (const auto& request : server.requests())
        EXPECT_EQ(request.target().find("/download/"), std::string::npos) << request.target();
}

} // namespace
} // namespace vantaro
