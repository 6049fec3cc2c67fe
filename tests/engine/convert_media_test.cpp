// SPDX-License-Identifier: GPL-3.0-or-later
// convertMedia against the real launchers of the program folder and the system's converters.
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/RunContext.h"
#include "engine/Conversion.h"
#include "engine/ConverterProcess.h"

#include "support/MediaClips.h"
#include "support/RecordingHost.h"
#include "support/TempFolder.h"

#include <QTemporaryDir>
#include <QThread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using testing::ClipKind;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using testing::RecordingHost;

const std::string Ready = "Pr\u00eat";

class ConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureCoreApplication();
        ASSERT_TRUE(std::filesystem::is_directory(m_temp.path()));
        setProgramFolder(VANTARO_PROGRAM_DIR);
        m_context.currentJob().setMp3Title("Essai");
    }
    void TearDown() override { setProgramFolder({}); }

    std::string folder() const { return m_temp.path(); }

    // Copies a test clip to where the worker leaves its download: base + "xxx.flv".
    std::string download(ClipKind kind, const std::string& base, int seconds = 3) {
        const std::string clip = testing::testClip(kind, seconds);
        EXPECT_FALSE(clip.empty()) << "the system's ffmpeg could not make a test clip";
        const std::string input = base + "xxx.flv";
        fs::copy_file(clip, input);
        return input;
    }

    std::vector<std::string> filesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::TempFolder m_temp{"vantaro-conversion"};
    RecordingHost m_host;
    RunContext m_context; // French, no stop asked, unless a test says otherwise
};

// What each format's file must hold: container, codecs in stream order, picture width.
struct FormatExpectation {
    const char* format;
    const char* suffix;
    const char* container;
    std::vector<std::string> codecs;
    int width; // 0: not checked (audio only)
    const char* videoTag = "";
    const char* aspect = "";
};

void PrintTo(const FormatExpectation& expectation, std::ostream* out) {
    *out << expectation.format;
}

const std::vector<FormatExpectation> formatExpectations = {
    {"MP3", ".mp3", "mp3", {"mp3"}, 0},
    {"WAVE", ".wav", "wav", {"pcm_s16le"}, 0},
    {"AVI", ".avi", "avi", {"rawvideo", "pcm_s16le"}, 320},
    {"MPEG", ".mpeg", "mpeg", {"mpeg1video", "mp2"}, 320},
    {"WMV", ".wmv", "asf", {"wmv2", "wmav2"}, 320},
    {"PSP", ".MP4", "mov,mp4,m4a,3gp,3g2,mj2", {"h264", "aac"}, 320},
    {"iPod", ".m4v", "mov,mp4,m4a,3gp,3g2,mj2", {"h264", "aac"}, 640},
    {"DivX", ".avi", "avi", {"mpeg4", "mp3"}, 640, "divx"},
    {"Xvid", ".avi", "avi", {"mpeg4", "mp3"}, 640, "xvid"},
    {"VCD", ".mpeg", "mpeg", {"mpeg1video", "mp2"}, 352},
    {"SVCD", ".mpeg", "mpeg", {"mpeg2video", "mp2"}, 480},
    {"VOB", ".vob", "mpeg", {"mpeg2video", "mp2"}, 720},
    {"DV 4/3", ".dv", "dv", {"dvvideo", "pcm_s16le"}, 720, "", "4:3"},
    {"DV 16/9", ".dv", "dv", {"dvvideo", "pcm_s16le"}, 720, "", "16:9"},
    {"HD", ".mpeg", "mpeg", {"mpeg1video", "mp2"}, 1280},
};

class FormatConversionTest
    : public ConversionTest,
      public ::testing::WithParamInterface<std::tuple<FormatExpectation, ClipKind>> {};

TEST_P(FormatConversionTest, WritesTheFormatsFileAndDeletesTheDownload) {
    const auto& [expected, kind] = GetParam();
    const std::string base = folder() + "/video";
    const std::string input = download(kind, base);

    convertMedia(input, base, expected.format, m_host, m_context);

    const std::string output = base + expected.suffix;
    ASSERT_TRUE(fs::exists(output)) << output;
    EXPECT_GT(fs::file_size(output), 0u);
    EXPECT_FALSE(fs::exists(input)) << "the download is deleted after a conversion";
    const testing::Probe probe = testing::probe(output);
    ASSERT_TRUE(probe.readable);
    EXPECT_EQ(probe.formatName, expected.container);
    EXPECT_THAT(probe.codecs, ElementsAreArray(expected.codecs));
    if (expected.width != 0) {
        EXPECT_EQ(probe.width, expected.width);
    }
    if (*expected.videoTag != '\0') {
        EXPECT_EQ(probe.codecTags.front(), expected.videoTag);
    }
    if (*expected.aspect != '\0') {
        EXPECT_EQ(probe.displayAspect, expected.aspect);
    }
    if (expected.codecs.size() == 2) { // the sound survives: about 3 s, tens of packets
        EXPECT_GT(probe.audioPackets, 20);
    }
    if (std::string(expected.format) == "MP3") {
        EXPECT_EQ(probe.tags.at("title"), "Essai-Quorlin.com");
    }

    EXPECT_THAT(m_host.messages(), IsEmpty());
    EXPECT_THAT(m_host.eventsStartingWith("status:"), ElementsAre(Ready));
    EXPECT_THAT(m_host.eventsStartingWith("max:"), ElementsAre("100"));
    EXPECT_EQ(m_host.progressPosition(), 100);
}

std::string
formatCaseName(const ::testing::TestParamInfo<std::tuple<FormatExpectation, ClipKind>>& info) {
    std::string name = std::get<0>(info.param).format;
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name + (std::get<1>(info.param) == ClipKind::Flv ? "_fromFlv" : "_fromMp4");
}

INSTANTIATE_TEST_SUITE_P(AllConvertedFormats, FormatConversionTest,
                         ::testing::Combine(::testing::ValuesIn(formatExpectations),
                                            ::testing::Values(ClipKind::Flv, ClipKind::Mp4)),
                         formatCaseName);

TEST_F(ConversionTest, NamesWithQuotesBlanksAndShellTextReachTheConverterAsTheyAre) {
    // A shell would create "pwned" in the current directory, or the marker in the temp folder.
    const std::string marker = folder() + "/pwned";
    const std::string hostileName = "a \"b\" $(touch pwned); c";
    const std::string hostile = "a \"b\" $(touch " + marker + "); c";
    ASSERT_FALSE(fs::exists("pwned"));
    const std::string subfolder = folder() + "/" + hostileName;
    fs::create_directory(subfolder);
    const std::string base = subfolder + "/" + hostileName;
    const std::string input = download(ClipKind::Flv, base);
    m_context.currentJob().setMp3Title(hostile);

    convertMedia(input, base, "MP3", m_host, m_context);

    ASSERT_TRUE(fs::exists(base + ".mp3"));
    EXPECT_EQ(testing::probe(base + ".mp3").tags.at("title"), hostile + "-Quorlin.com");
    EXPECT_FALSE(fs::exists(marker)) << "a shell ran the command line";
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_THAT(filesInFolder(), ElementsAre(hostileName));
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(subfolder))
        written.push_back(entry.path().filename().string());
    EXPECT_THAT(written, ElementsAre(hostileName + ".mp3"));
}

TEST_F(ConversionTest, FailedConversionKeepsTheDownloadAsFlvAndSaysSo) {
    const std::string base = folder() + "/broken";
    const std::string input = base + "xxx.flv";
    std::ofstream(input) << "this is no video, only text that the converter cannot read\n";

    convertMedia(input, base, "WAVE", m_host, m_context);

    EXPECT_FALSE(fs::exists(input));
    ASSERT_TRUE(fs::exists(base + ".flv")) << "the user's only copy is kept";
    const auto messages = m_host.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, MessageKind::Information);
    EXPECT_EQ(messages[0].text, "La conversion vers le format WAVE a \u00e9chou\u00e9. La "
                                "vid\u00e9o t\u00e9l\u00e9charg\u00e9e est conserv\u00e9e : " +
                                    base + ".flv");
    const auto statuses = m_host.eventsStartingWith("status:");
    EXPECT_THAT(statuses, ::testing::Not(::testing::Contains(Ready)));
    EXPECT_EQ(m_host.progressPosition(), 100);
}

TEST_F(ConversionTest, FailedConversionLeavesTheDownloadWhereItIsWhenTheFlvNameIsTaken) {
    m_context.setLanguage(Language::English);
    const std::string base = folder() + "/taken";
    const std::string input = base + "xxx.flv";
    std::ofstream(input) << "not a video";
    std::ofstream(base + ".flv") << "an earlier download";

    convertMedia(input, base, "MP3", m_host, m_context);

    EXPECT_TRUE(fs::exists(input));
    std::ifstream earlier(base + ".flv");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(earlier), {}), "an earlier download");
    const auto messages = m_host.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "The conversion to the format MP3 failed. The downloaded video was kept: " + input);
    EXPECT_THAT(m_host.eventsStartingWith("status:"),
                ElementsAre("The conversion to the format MP3 failed"));
}

TEST_F(ConversionTest, ConverterThatRefusesToOverwriteIsAFailureNotAHang) {
    const std::string base = folder() + "/again";
    std::ofstream(base + ".wav") << "an existing result";
    const std::string input = download(ClipKind::Flv, base);

    convertMedia(input, base, "WAVE", m_host,
                 m_context); // no -y: the tool asks, its input is empty

    std::ifstream existing(base + ".wav");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(existing), {}), "an existing result");
    EXPECT_TRUE(fs::exists(base + ".flv"));
    EXPECT_EQ(m_host.messages().size(), 1u);
}

TEST_F(ConversionTest, EmptyDownloadIsDeletedWithoutASecondMessage) {
    const std::string base = folder() + "/empty";
    const std::string input = base + "xxx.flv";
    std::ofstream{input};

    convertMedia(input, base, "MP3", m_host, m_context);

    EXPECT_FALSE(fs::exists(input));
    EXPECT_FALSE(fs::exists(base + ".flv"));
    EXPECT_THAT(m_host.messages(), IsEmpty());
    EXPECT_THAT(m_host.eventsStartingWith("status:"), ElementsAre(Ready));
}

TEST_F(ConversionTest, UnknownFormatRunsConverterFWithoutArgumentsAndKeepsTheDownload) {
    const std::string base = folder() + "/odd";
    const std::string input = download(ClipKind::Flv, base);

    convertMedia(input, base, "mp3", m_host, m_context); // names are compared exactly

    EXPECT_TRUE(fs::exists(base + ".flv"));
    EXPECT_FALSE(fs::exists(base + ".mp3"));
    EXPECT_EQ(m_host.messages().size(), 1u);
}

// A converter that cannot start fails like a conversion: nothing is deleted, the box says why.
TEST_F(ConversionTest, MissingConverterKeepsTheDownloadAndSaysWhy) {
    const QTemporaryDir emptyProgramFolder;
    const std::string tool = emptyProgramFolder.path().toStdString() + "/QrlBin/utilitymen2";
    setProgramFolder(emptyProgramFolder.path().toStdString());
    for (const bool nameTaken : {false, true}) {
        SCOPED_TRACE(nameTaken ? "base.flv taken" : "base.flv free");
        const std::string base = folder() + (nameTaken ? "/taken" : "/notool");
        if (nameTaken)
            std::ofstream(base + ".flv") << "earlier";
        const std::string input = download(ClipKind::Flv, base);
        const std::string kept = nameTaken ? input : base + ".flv";

        ASSERT_NO_THROW(convertMedia(input, base, "AVI", m_host, m_context));
        EXPECT_TRUE(fs::exists(kept));
        EXPECT_GT(fs::file_size(kept), 1000u);
        EXPECT_EQ(m_host.messages().back().text,
                  "La conversion vers le format AVI a \u00e9chou\u00e9. Impossible de lancer " +
                      tool +
                      " : le convertisseur est introuvable. La vid\u00e9o "
                      "t\u00e9l\u00e9charg\u00e9e est conserv\u00e9e : " +
                      kept);
        EXPECT_EQ(m_host.eventsStartingWith("status:").back(),
                  "La conversion vers le format AVI a \u00e9chou\u00e9");
    }
}

// A download that never ends: a named pipe fed with a whole clip but for its last bytes, then
// held open. The converter reading it cannot finish by itself, however fast it is.
class EndlessDownload {
public:
    EndlessDownload(const std::string& path, const std::string& clip) {
        m_ready = ::mkfifo(path.c_str(), 0600) == 0;
        std::ifstream in(clip, std::ios::binary);
        m_bytes.assign(std::istreambuf_iterator<char>(in), {});
        if (m_bytes.size() > 4096)
            m_bytes.resize(m_bytes.size() - 4096);
        if (m_ready)
            m_feeder = std::thread([this, path] { feed(path); });
    }
    ~EndlessDownload() {
        m_done = true;
        if (m_feeder.joinable())
            m_feeder.join();
    }
    bool ready() const { return m_ready && m_bytes.size() > 0; }

private:
    void feed(const std::string& path) {
        // A reader that goes away makes writes fail instead of raising SIGPIPE.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        int fd = -1;
        while (!m_done && fd < 0) {
            fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); // once a reader is there
            if (fd < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::size_t sent = 0;
        while (!m_done && fd >= 0) {
            if (sent == m_bytes.size()) { // all but the end: held open from here on
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            pollfd writable{fd, POLLOUT, 0};
            if (::poll(&writable, 1, 50) <= 0)
                continue;
            const ssize_t written = ::write(fd, m_bytes.data() + sent, m_bytes.size() - sent);
            if (written < 0 && errno != EAGAIN)
                break;
            sent += written > 0 ? static_cast<std::size_t>(written) : 0;
        }
        if (fd >= 0)
            ::close(fd);
    }

    bool m_ready = false;
    std::string m_bytes;
    std::atomic<bool> m_done{false};
    std::thread m_feeder;
};

TEST_F(ConversionTest, StopKillsTheConverterWithinAPollPeriodAndLeavesNoProcess) {
    const std::string base = folder() + "/long";
    const std::string input = base + "xxx.flv";
    const std::string clip = testing::testClip(ClipKind::Flv, 3);
    ASSERT_FALSE(clip.empty());
    EndlessDownload download(input, clip);
    ASSERT_TRUE(download.ready());
    std::unique_ptr<QThread> worker(
        QThread::create([&] { convertMedia(input, base, "iPod", m_host, m_context); }));
    worker->start();

    // The converter is the process whose command line names this test's folder.
    std::vector<int> converters;
    const auto started = std::chrono::steady_clock::now();
    while (converters.empty() &&
           std::chrono::steady_clock::now() - started < std::chrono::seconds(20)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        converters = testing::processesMentioning(folder());
    }
    ASSERT_EQ(converters.size(), 1u) << "one converter process, the launcher replaced by it";
    ASSERT_TRUE(testing::processAlive(converters[0]));

    // The download never ends, so only the stop can end the converter; the deadline is only
    // there so that a fault fails the test instead of hanging it.
    const auto stop = std::chrono::steady_clock::now();
    m_context.requestStop();
    while (testing::processAlive(converters[0]) &&
           std::chrono::steady_clock::now() - stop < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_FALSE(testing::processAlive(converters[0])) << "the stop did not end the converter";

    ASSERT_TRUE(worker->wait(10000));
    EXPECT_THAT(testing::processesMentioning(folder()), IsEmpty()) << "an orphan was left";
    EXPECT_TRUE(m_context.stopRequested()) << "the worker clears the flag in its own cleanup";
    EXPECT_FALSE(fs::exists(input)) << "a stopped conversion deletes the download";
    EXPECT_FALSE(fs::exists(base + ".flv"));
    EXPECT_THAT(m_host.messages(), IsEmpty());
    EXPECT_EQ(m_host.eventsStartingWith("status:"), std::vector<std::string>{Ready});
    EXPECT_EQ(m_host.progressPosition(), 100);
}

// A program folder whose converters are scripts standing in for the launchers: each records
// how it was called, then behaves as the test says.
class FakeConverterTest : public ConversionTest {
protected:
    void SetUp() override {
        ConversionTest::SetUp();
        ASSERT_TRUE(std::filesystem::is_directory(m_program.path()));
        fs::create_directory(m_program.path() + "/QrlBin");
        setProgramFolder(m_program.path());
    }

    // Installs both converters running this shell text after recording their arguments.
    void installConverters(const std::string& behaviour) {
        for (const char* name : {"utilitymff4", "utilitymen2"}) {
            const std::string path = m_program.path() + "/QrlBin/" + name;
            std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$(dirname "
                                   "\"$0\")/../calls.txt\"\n"
                                << behaviour << "\n";
            fs::permissions(path, fs::perms::owner_all);
        }
    }
    std::vector<std::string> recordedCall() const {
        std::ifstream calls(m_program.path() + "/calls.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(calls, line);)
            lines.push_back(line);
        return lines;
    }
    // Shell text that waits until a file exists, and fails after about 60 s without it.
    static std::string waitingFor(const std::string& file) {
        return "i=0; while [ ! -e '" + file +
               "' ]; do i=$((i + 1)); [ $i -gt 1200 ] && exit 9; sleep 0.05; done\n";
    }
    std::string tool(const char* name) const { return m_program.path() + "/QrlBin/" + name; }

    testing::TempFolder m_program{"vantaro-fake-converters"};
};

TEST_F(FakeConverterTest, ToolAndArgumentsFollowTheCatalogue) {
    installConverters("exit 0");
    const std::string base = folder() + "/v";
    std::ofstream(base + "xxx.flv") << "media";

    convertMedia(base + "xxx.flv", base, "AVI", m_host, m_context);
    EXPECT_THAT(recordedCall(), ElementsAre(tool("utilitymen2"), base + "xxx.flv", "-o",
                                            base + ".avi", "-ovc", "raw", "-oac", "pcm"));

    std::ofstream(base + "xxx.flv") << "media";
    convertMedia(base + "xxx.flv", base, "WAVE", m_host, m_context);
    EXPECT_THAT(recordedCall(),
                ElementsAre(tool("utilitymff4"), "-i", base + "xxx.flv", base + ".wav"));

    std::ofstream(base + "xxx.flv") << "media";
    convertMedia(base + "xxx.flv", base, "no such format", m_host, m_context);
    EXPECT_THAT(recordedCall(), ElementsAre(tool("utilitymff4")));
}

TEST_F(FakeConverterTest, CrashNoOutputOrEmptyOutputAreFailures) {
    const std::string base = folder() + "/v";
    const std::vector<std::pair<std::string, std::string>> behaviours = {
        {"crash", "kill -SEGV $$"},
        {"success without output", "exit 0"},
        {"empty output", "for a; do last=$a; done; : > \"$last\"; exit 0"},
        {"error code with output", "for a; do last=$a; done; echo x > \"$last\"; exit 3"},
    };
    for (const auto& [what, behaviour] : behaviours) {
        installConverters(behaviour);
        std::ofstream(base + "xxx.flv") << "media";
        RecordingHost host;
        convertMedia(base + "xxx.flv", base, "MP3", host, m_context);
        EXPECT_TRUE(fs::exists(base + ".flv")) << what;
        EXPECT_EQ(host.messages().size(), 1u) << what;
        fs::remove(base + ".flv");
        fs::remove(base + ".mp3");
    }
    installConverters("for a; do last=$a; done; echo sound > \"$last\"; exit 0");
    std::ofstream(base + "xxx.flv") << "media";
    convertMedia(base + "xxx.flv", base, "MP3", m_host, m_context);
    EXPECT_FALSE(fs::exists(base + "xxx.flv"));
    EXPECT_FALSE(fs::exists(base + ".flv"));
    EXPECT_THAT(m_host.messages(), IsEmpty());
}

// A window whose bar keeps its position when the maximum is set, near the end.
class NearlyFullBarHost : public RecordingHost {
public:
    void setProgressMax(std::int64_t maximum) override {
        RecordingHost::setProgressMax(maximum);
        RecordingHost::setProgressPosition(maximum - 1);
    }
    void setProgressPosition(std::int64_t position) override {
        RecordingHost::setProgressPosition(position);
        if (onPosition)
            onPosition(position);
    }
    std::function<void(std::int64_t)> onPosition;
};

// The stand-in converter ends only once the bar has started again, so the waits it counts are
// there on any machine.
TEST_F(FakeConverterTest, ProgressCreepsByOneAndStartsAgainAtTheMaximum) {
    const std::string wrapped = m_program.path() + "/wrapped";
    installConverters(waitingFor(wrapped) +
                      "for a; do last=$a; done; echo video > \"$last\"; exit 0");
    NearlyFullBarHost host;
    host.onPosition = [&](std::int64_t position) {
        if (position == 1)
            std::ofstream{wrapped};
    };
    const std::string base = folder() + "/creep";
    std::ofstream(base + "xxx.flv") << "media";

    convertMedia(base + "xxx.flv", base, "iPod", host, m_context);

    const auto positions = host.eventsStartingWith("position:");
    ASSERT_GE(positions.size(), 5u);
    EXPECT_EQ(positions[0], "99");
    EXPECT_EQ(positions[1], "100");
    EXPECT_EQ(positions[2], "0");
    EXPECT_EQ(positions[3], "1");
    EXPECT_EQ(positions.back(), "100") << "the bar is full at the end";
    EXPECT_THAT(host.eventsStartingWith("status:"), ElementsAre(Ready))
        << "the converter gave up waiting for the bar";
}

} // namespace
} // namespace vantaro
