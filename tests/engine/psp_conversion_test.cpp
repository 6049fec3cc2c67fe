// SPDX-License-Identifier: GPL-3.0-or-later
// The local PSP conversion and its two buttons, with the real launcher and ffmpeg.
#include "core/Constants.h"
#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/RunContext.h"
#include "engine/PspConversion.h"

#include "support/MediaClips.h"
#include "support/TempFolder.h"

#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string Ready = "Pr\u00eat";
const std::string Working = "Traitement de FLV vers PSP..";

// The main window as the PSP commands see it: answers from queues, records the rest.
class FakePspHost : public PspHost {
public:
    struct Message {
        MessageKind kind;
        std::string text;
    };

    bool showMessage(MessageKind kind, const std::string& text, const std::string&) override {
        messages.push_back({kind, text});
        return true;
    }
    void setStatus(const std::string& text) override { statuses.push_back(text); }
    std::string sourceText() override { return edit1; }
    void setSourceText(const std::string& text) override { edit1 = text; }
    std::string chooseFile(const std::string& filterText) override {
        fileFilters.push_back(filterText);
        return next(fileAnswers);
    }
    std::string chooseFolder(const std::string& caption) override {
        folderCaptions.push_back(caption);
        return next(folderAnswers);
    }
    void processPendingEvents() override {
        ++eventRounds;
        if (onEvents)
            onEvents();
    }

    std::string edit1;
    std::deque<std::string> fileAnswers;   // "" stands for a cancel
    std::deque<std::string> folderAnswers; // idem
    std::vector<Message> messages;
    std::vector<std::string> statuses;
    std::vector<std::string> fileFilters;
    std::vector<std::string> folderCaptions;
    int eventRounds = 0;
    std::function<void()> onEvents;

private:
    static std::string next(std::deque<std::string>& answers) {
        if (answers.empty())
            return {};
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class PspConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureCoreApplication();
        ASSERT_TRUE(std::filesystem::is_directory(m_temp.path()));
        setProgramFolder(VANTARO_PROGRAM_DIR);
    }
    void TearDown() override { setProgramFolder({}); }

    std::string folder() const { return m_temp.path(); }

    std::vector<std::string> filesIn(const std::string& where) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(where))
            names.push_back(entry.path().filename().string());
        return names;
    }

    testing::TempFolder m_temp{"vantaro-psp"};
    FakePspHost m_host;
    RunContext m_context; // French unless a test says otherwise
};

TEST_F(PspConversionTest, ConvertsAVideoIntoAnM4vNamedPspFileAndKeepsTheSource) {
    const std::string source = testing::testClip(testing::ClipKind::Flv, 3);
    ASSERT_FALSE(source.empty());

    const std::string target = convertToPsp(source, folder(), m_host, m_context.language());

    EXPECT_TRUE(
        std::regex_match(fs::path(target).filename().string(), std::regex("M4V[0-9]{5}\\.MP4")))
        << target;
    EXPECT_EQ(fs::path(target).parent_path(), fs::path(folder()));
    EXPECT_THAT(filesIn(folder()), ElementsAre(fs::path(target).filename().string()));
    const testing::Probe probe = testing::probe(target);
    ASSERT_TRUE(probe.readable);
    EXPECT_EQ(probe.formatName, "mov,mp4,m4a,3gp,3g2,mj2");
    EXPECT_THAT(probe.codecs, ElementsAre("mpeg4", "aac"));
    EXPECT_EQ(probe.width, 320);
    ASSERT_TRUE(probe.tags.count("creation_time"));
    EXPECT_EQ(probe.tags.at("creation_time"), "2008-02-01T01:19:11.000000Z");
    EXPECT_TRUE(fs::exists(source));
    EXPECT_THAT(m_host.statuses, ElementsAre(Working, Ready));
    EXPECT_THAT(m_host.messages, IsEmpty());
}

// A stand-in converter that ends only once the window has handled its events: the conversion
// can succeed only if the events flow while the converter runs, however fast the machine is.
TEST_F(PspConversionTest, TheWindowsEventsFlowWhileTheConverterRuns) {
    const QTemporaryDir program;
    ASSERT_TRUE(program.isValid());
    const fs::path root = program.path().toStdString();
    const fs::path released = root / "events-handled";
    fs::create_directory(root / "QrlBin");
    const fs::path tool = root / PspConverter;
    std::ofstream(tool) << "#!/bin/sh\n"
                           "for a; do last=$a; done\n"
                           "i=0\n" // gives up after about 60 s
                           "while [ ! -e '"
                        << released.string()
                        << "' ]; do\n"
                           "    i=$((i + 1)); [ $i -gt 1200 ] && exit 9; sleep 0.05\n"
                           "done\n"
                           "echo video > \"$last\"\n";
    fs::permissions(tool, fs::perms::owner_all);
    setProgramFolder(root.string());
    m_host.onEvents = [&] { std::ofstream{released}; };

    const std::string target =
        convertToPsp(folder() + "/clip.flv", folder(), m_host, m_context.language());

    EXPECT_GT(m_host.eventRounds, 0);
    EXPECT_THAT(m_host.statuses, ElementsAre(Working, Ready))
        << "the converter gave up waiting for the window's events";
    EXPECT_EQ(testing::readWholeFile(target), "video\n");
    EXPECT_THAT(m_host.messages, IsEmpty());
}

TEST_F(PspConversionTest, SourceThatIsNoVideoEndsWithTheFailureStatus) {
    const std::string source = folder() + "/notes.txt";
    std::ofstream(source) << "shopping list\n";
    const std::string out = folder() + "/out";
    fs::create_directory(out);

    convertToPsp(source, out, m_host, m_context.language());

    EXPECT_THAT(filesIn(out), IsEmpty());
    EXPECT_THAT(m_host.statuses,
                ElementsAre(Working, "La transformation vers PSP a \u00e9chou\u00e9"));

    m_context.setLanguage(Language::English);
    convertToPsp(source, out, m_host, m_context.language());
    EXPECT_EQ(m_host.statuses.back(), "The PSP conversion failed");

    // A converter that fails after writing part of its output: that part is no PSP video.
    const QTemporaryDir program;
    fs::create_directory(program.path().toStdString() + "/QrlBin");
    const std::string tool = program.path().toStdString() + "/" + PspConverter;
    std::ofstream(tool) << "#!/bin/sh\nfor a; do last=$a; done\necho half > \"$last\"\nexit 1\n";
    fs::permissions(tool, fs::perms::owner_all);
    setProgramFolder(program.path().toStdString());
    convertToPsp(source, out, m_host, m_context.language());
    EXPECT_THAT(filesIn(out), IsEmpty());
    EXPECT_EQ(m_host.statuses.back(), "The PSP conversion failed");
}

TEST_F(PspConversionTest, MissingConverterShowsTheSystemErrorAndKeepsTheWorkingStatus) {
    const QTemporaryDir emptyProgramFolder;
    setProgramFolder(emptyProgramFolder.path().toStdString());

    convertToPsp(testing::testClip(testing::ClipKind::Flv, 3), folder(), m_host,
                 m_context.language());

    ASSERT_EQ(m_host.messages.size(), 1u);
    EXPECT_EQ(m_host.messages[0].kind, MessageKind::Error);
    // The system's reason in the user's language.
    EXPECT_EQ(m_host.messages[0].text,
              "Erreur syst\u00e8me.  Code : 2.\r\nle convertisseur est introuvable");
    EXPECT_THAT(m_host.statuses, ElementsAre(Working));
}

TEST_F(PspConversionTest, PathsWithQuotesAndShellTextAreFilesNotCommands) {
    const std::string hostile = "v \"q\" $(touch pwned); x";
    ASSERT_FALSE(fs::exists("pwned"));
    const std::string out = folder() + "/" + hostile;
    fs::create_directory(out);
    const std::string source = folder() + "/" + hostile + ".flv";
    fs::copy_file(testing::testClip(testing::ClipKind::Flv, 3), source);

    const std::string target = convertToPsp(source, out, m_host, m_context.language());

    EXPECT_TRUE(fs::exists(target));
    EXPECT_GT(fs::file_size(target), 0u);
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_EQ(m_host.statuses.back(), Ready);
}

TEST_F(PspConversionTest, ConvertWithoutSourceRefusesBeforeAskingForAFolder) {
    PspCommands commands(m_host, m_context);
    commands.convertVideo();

    ASSERT_EQ(m_host.messages.size(), 1u);
    EXPECT_EQ(m_host.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(m_host.messages[0].text,
              "La transformation de la vid\u00e9o vers PSP ne peut pas \u00eatre "
              "effectu\u00e9e.\r\n\r\nAucune vid\u00e9o source (champs \"Source\") n'est "
              "indiqu\u00e9e");
    EXPECT_THAT(m_host.folderCaptions, IsEmpty());
    EXPECT_THAT(m_host.statuses, IsEmpty());
}

TEST_F(PspConversionTest, ConvertWithCancelledFolderRefusesInFrenchWhateverTheLanguage) {
    m_context.setLanguage(Language::English);
    m_host.edit1 = "/some/video.flv";
    m_host.folderAnswers = {""};
    PspCommands commands(m_host, m_context);
    commands.convertVideo();

    EXPECT_THAT(m_host.folderCaptions,
                ElementsAre("Choisissez le dossier o\u00f9 la vid\u00e9o PSP sera cr\u00e9e"));
    ASSERT_EQ(m_host.messages.size(), 1u);
    EXPECT_EQ(m_host.messages[0].text,
              "La transformation de la vid\u00e9o vers PSP ne peut pas \u00eatre "
              "effectu\u00e9e.\r\n\r\nAucun dossier destination n'est sp\u00e9cifi\u00e9");
    EXPECT_THAT(m_host.statuses, IsEmpty());
}

TEST_F(PspConversionTest, ConvertsTheLinkFieldsFileIntoTheChosenFolder) {
    m_host.edit1 = testing::testClip(testing::ClipKind::Mp4, 3);
    m_host.folderAnswers = {folder()};
    PspCommands commands(m_host, m_context);
    commands.convertVideo();

    const auto written = filesIn(folder());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(std::regex_match(written[0], std::regex("M4V[0-9]{5}\\.MP4")));
    EXPECT_THAT(m_host.statuses, ElementsAre(Working, Ready));
}

TEST_F(PspConversionTest, TheChosenFileGoesIntoTheLinkFieldAndACancelBringsTheLastOneBack) {
    PspCommands commands(m_host, m_context);
    m_host.edit1 = "typed link";
    m_host.fileAnswers = {"", "/videos/first.flv", "", "/videos/second.flv"};

    commands.chooseVideo(); // cancelled, nothing chosen before: the field stays
    EXPECT_EQ(m_host.edit1, "typed link");
    commands.chooseVideo();
    EXPECT_EQ(m_host.edit1, "/videos/first.flv");
    m_host.edit1 = "typed again";
    commands.chooseVideo(); // cancelled: the dialog still holds its last file
    EXPECT_EQ(m_host.edit1, "/videos/first.flv");
    m_context.setLanguage(Language::English);
    commands.chooseVideo();
    EXPECT_EQ(m_host.edit1, "/videos/second.flv");

    EXPECT_THAT(m_host.fileFilters, ElementsAre("Fichier vid\u00e9o", "Fichier vid\u00e9o",
                                                "Fichier vid\u00e9o", "Video File"));
}

} // namespace
} // namespace vantaro
