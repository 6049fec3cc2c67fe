// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RunContext.h"
#include "jobs/DownloadCommands.h"
#include "jobs/SiteKind.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <stdexcept>

using namespace vantaro;

namespace {

// Records what the commands do to the window and the disk; folders and files are in-memory sets.
class FakeCommandHost : public DownloadCommandHost {
public:
    explicit FakeCommandHost(const RunContext& context) : m_context(context) {}

    bool showMessage(MessageKind kind, const std::string& text, const std::string&) override {
        steps.push_back(kind == MessageKind::Confirmation ? "ask" : "inform");
        messages.push_back(text);
        return answerYes;
    }
    bool workerRunning() const override { return running; }
    void startWorker(const DownloadJob& job) override {
        steps.push_back("start");
        started = job;
        startedMode = m_context.workMode();
    }
    void storeSingleDownload(const std::string& fileName, const std::string& pathName) override {
        if (preferencesFail)
            throw std::runtime_error("Impossible d'écrire dans /p/applicationUserPreferences.ini");
        steps.push_back("store:" + fileName + "|" + pathName);
    }
    void storeList(const std::string& pathName) override {
        steps.push_back("storeList:" + pathName);
    }
    void appendListEntry(const std::string& formatName, const std::string& folder,
                         const std::string& fileName, const std::string& mp3Title,
                         const std::string& link) override {
        rows.push_back({formatName, folder, fileName, mp3Title, link});
    }
    bool directoryExists(const std::string& path) override { return folders.count(path) > 0; }
    bool fileExists(const std::string& path) override {
        steps.push_back("exists?" + path);
        return files.count(path) > 0;
    }
    void deleteFile(const std::string& path) override {
        steps.push_back("delete:" + path);
        files.erase(path);
    }
    void setFileNameField(const std::string& text) override { fileNameField = text; }

    std::set<std::string> folders{"/videos"};
    std::set<std::string> files;
    bool running = false;
    bool answerYes = true;
    bool preferencesFail = false;
    std::vector<std::string> steps;
    std::vector<std::string> messages;
    std::vector<std::vector<std::string>> rows;
    std::optional<DownloadJob> started;
    WorkMode startedMode = WorkMode::None;
    std::string fileNameField;

private:
    const RunContext& m_context;
};

SingleLinkFields validFields() {
    return {"http://www.dailymotion.com/video/x1", "/videos", "clip", "Title", "MP3"};
}

class DownloadCommands : public ::testing::Test {
protected:
    // A stop asked for earlier is pending when each case begins.
    void SetUp() override { context.requestStop(); }
    RunContext context;
    FakeCommandHost host{context};
};

const char* const M1 =
    "Le dossier destinataire n'existe pas, créez ce dossier ou choisissez un nouveau";
const char* const M2Start = "Le téléchargement ne peut pas être effectué.\r\n\r\nIl faut saisir";

} // namespace

TEST(SiteRecognition, CaseSensitiveKeywordAnywhereInTheLink) {
    EXPECT_EQ(siteKindOf("http://www.youtube.com/watch?v=a"), SiteKind::YouTube);
    EXPECT_EQ(siteKindOf("http://www.dailymotion.com/video/x"), SiteKind::Dailymotion);
    EXPECT_EQ(siteKindOf("http://www.wat.tv/video/x"), SiteKind::Wat);
    EXPECT_EQ(siteKindOf("http://videos.tf1.fr/x.html"), SiteKind::Tf1);
    EXPECT_EQ(siteKindOf("http://www.YOUTUBE.com/watch?v=a"), SiteKind::Unsupported);
    EXPECT_EQ(siteKindOf("http://www.tf1.fr/x"), SiteKind::Unsupported);
    EXPECT_EQ(siteKindOf(""), SiteKind::Unsupported);
    // A keyword in the query counts like one in the host.
    EXPECT_TRUE(isSupportedLink("http://example.org/?ref=youtube"));
    const SiteKeywords both = findSiteKeywords("http://www.wat.tv/x?from=videos.tf1.fr&youtube");
    EXPECT_TRUE(both.wat && both.tf1 && both.youtube);
    EXPECT_FALSE(both.dailymotion);
}

TEST_F(DownloadCommands, EmptyFolderGivesTheFolderMessageBeforeTheFieldsMessage) {
    SingleLinkFields fields = validFields();
    fields.folder = "";
    fields.link = "";
    startDownload(context, fields, host);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], M1);
    EXPECT_FALSE(context.stopRequested()) << "the stop flag is cleared before the checks";
    EXPECT_EQ(context.currentJob().formatName(), "MP3")
        << "the format name is stored before the checks";
    EXPECT_FALSE(host.started);
}

TEST_F(DownloadCommands, UnsupportedOrEmptyLinkGivesTheFieldsMessage) {
    for (const char* link : {"", "http://www.YOUTUBE.com/watch?v=1", "http://example.org/v"}) {
        host.messages.clear();
        SingleLinkFields fields = validFields();
        fields.link = link;
        startDownload(context, fields, host);
        ASSERT_EQ(host.messages.size(), 1u) << link;
        EXPECT_EQ(host.messages[0].rfind(M2Start, 0), 0u) << link;
    }
    EXPECT_FALSE(host.started);
    for (const auto& step : host.steps)
        EXPECT_EQ(step.rfind("store", 0), std::string::npos) << "nothing stored before checks";
}

TEST_F(DownloadCommands, EnglishMessagesFollowTheRunsLanguage) {
    context.setLanguage(Language::English);
    SingleLinkFields fields = validFields();
    fields.folder = "/missing";
    startDownload(context, fields, host);
    addToList(context, fields, host);
    fields.folder = "/videos";
    fields.link = "nothing";
    startDownload(context, fields, host);
    addToList(context, fields, host);
    ASSERT_EQ(host.messages.size(), 4u);
    EXPECT_EQ(
        host.messages[0],
        "The destination folder doesn't exist, please create the folder or choose another one");
    EXPECT_EQ(host.messages[1],
              "The destination folder dosn't exist, create this folder or choose another one");
    EXPECT_EQ(host.messages[2],
              "Can't download the file.\r\n\r\nYou must enter : \r\n1) An "
              "internet video link (Field \"Video URL\") \r\n2) \"Save to\" field");
    EXPECT_EQ(host.messages[3], "Can't add the link to the list.\r\n\r\nPlease select : \r\n1) "
                                "The Internet video link, \r\n2) the destination folder");
}

TEST_F(DownloadCommands, ValidRequestStoresPreferencesThenStartsTheWorker) {
    startDownload(context, validFields(), host);
    EXPECT_THAT(host.steps,
                ::testing::ElementsAre("store:clip|/videos", "exists?/videos/clip.mp3", "start"));
    ASSERT_TRUE(host.started);
    EXPECT_EQ(host.started->videoUrl, "http://www.dailymotion.com/video/x1");
    EXPECT_EQ(host.started->destinationFileName, "clip");
    EXPECT_EQ(host.startedMode, WorkMode::Single);
    EXPECT_EQ(context.currentJob().mp3Title(), "Title");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(DownloadCommands, EmptyFileNameIsStoredEmptyAndThenFilledWithSixDigits) {
    SingleLinkFields fields = validFields();
    fields.fileName = "";
    startDownload(context, fields, host);
    EXPECT_EQ(host.steps.front(), "store:|/videos");
    EXPECT_TRUE(std::regex_match(host.fileNameField, std::regex("[0-9]{6}")));
    ASSERT_TRUE(host.started);
    EXPECT_EQ(host.started->destinationFileName, host.fileNameField);
}

TEST_F(DownloadCommands, OverwriteQuestionLooksAtTheFileTheConversionWrites) {
    SingleLinkFields fields = validFields();
    fields.format = "HD";
    host.files = {"/videos/clip.mpeg", "/videos/clip.mpg"};
    host.answerYes = true;
    startDownload(context, fields, host);
    EXPECT_THAT(host.steps, ::testing::Contains("delete:/videos/clip.mpeg"));
    EXPECT_EQ(host.files.count("/videos/clip.mpg"), 1u) << "a file of the shown label is untouched";
    EXPECT_TRUE(host.started);
}

TEST_F(DownloadCommands, AnsweringNoStartsNothingButKeepsFormatAndClearedStop) {
    host.files = {"/videos/clip.mp3"};
    host.answerYes = false;
    SingleLinkFields fields = validFields();
    fields.format = "MP3";
    startDownload(context, fields, host);
    EXPECT_EQ(host.messages.at(0),
              "Le fichier cible existe déjà, êtes vous sure de vouloir l\u2019écraser?");
    EXPECT_FALSE(host.started);
    EXPECT_EQ(host.files.count("/videos/clip.mp3"), 1u);
    EXPECT_FALSE(context.stopRequested());
    EXPECT_NE(context.workMode(), WorkMode::Single);
}

TEST_F(DownloadCommands, UnwritablePreferencesStopTheCommandBeforeTheQuestion) {
    host.preferencesFail = true;
    host.files = {"/videos/clip.mp3"};
    EXPECT_THROW(startDownload(context, validFields(), host), std::runtime_error);
    EXPECT_TRUE(host.messages.empty()) << "no question is asked";
    EXPECT_FALSE(host.started);
}

TEST_F(DownloadCommands, RunningWorkerRefusesBeforeTheFirstStep) {
    host.running = true;
    startDownload(context, validFields(), host);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "Un téléchargement est déjà en cours. Attendez qu'il se termine "
                                "ou arrêtez-le avant d'en lancer un autre.");
    EXPECT_TRUE(context.stopRequested()) << "a pending stop stays pending";
    EXPECT_EQ(context.currentJob().formatName(), "");
    EXPECT_FALSE(host.started);
    context.setLanguage(Language::English);
    startDownload(context, validFields(), host);
    EXPECT_EQ(host.messages[1], "A download is already running. Wait for it to end or stop it "
                                "before starting another one.");
}

TEST_F(DownloadCommands, AddToListUsesDashTitleForOtherFormatsAndLeavesJobStateAlone) {
    SingleLinkFields fields = validFields();
    fields.format = "AVI";
    addToList(context, fields, host);
    fields.format = "MP3";
    fields.mp3Title = "";
    addToList(context, fields, host);
    ASSERT_EQ(host.rows.size(), 2u);
    EXPECT_THAT(host.rows[0], ::testing::ElementsAre("AVI", "/videos", "clip", "-",
                                                     "http://www.dailymotion.com/video/x1"));
    EXPECT_EQ(host.rows[1][3], "");
    EXPECT_TRUE(context.stopRequested());
    EXPECT_EQ(context.currentJob().formatName(), "");
    EXPECT_TRUE(host.steps.empty()) << "no preferences, no start";
}

TEST_F(DownloadCommands, AddToListChecksInOrderAndFillsAnEmptyName) {
    SingleLinkFields fields = validFields();
    fields.folder = "";
    addToList(context, fields, host);
    EXPECT_EQ(host.messages.back(), M1) << "the French M4 reads like M1";
    fields.folder = "/videos";
    fields.link = "http://vimeo.com/1";
    addToList(context, fields, host);
    EXPECT_EQ(host.messages.back().rfind("Le lien ne peut être ajouté à la liste.", 0), 0u);
    EXPECT_TRUE(host.rows.empty());
    fields.link = "http://www.youtube.com/watch?v=1";
    fields.fileName = "";
    addToList(context, fields, host);
    ASSERT_EQ(host.rows.size(), 1u);
    EXPECT_TRUE(std::regex_match(host.rows[0][2], std::regex("[0-9]{6}")));
    EXPECT_EQ(host.rows[0][2], host.fileNameField);
}
