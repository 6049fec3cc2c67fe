// SPDX-License-Identifier: GPL-3.0-or-later
// The resolver service client against a scripted service double on 127.0.0.1.
#include "core/Language.h"
#include "core/RunContext.h"
#include "engine/Fetch.h"
#include "engine/Resolver.h"

#include "support/MountedFolder.h"
#include "support/RecordingHost.h"
#include "support/ScriptedHttpServer.h"
#include "support/ServedPages.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantaro {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::httpOk;
using ::testing::IsEmpty;
using testing::jsonText;
using testing::RecordingHost;
using testing::ScriptedHttpServer;

const std::string NetworkError = "Erreur de connexion r\u00e9seau!";
const std::string YouTubeLink = "http://www.youtube.com/watch?v=dQw4w9WgXcQ&feature=related&t=1";

// A JSON plan answering every request with status 200 and these bodies, in turn.
std::string replies(const std::vector<std::string>& bodies) {
    std::string items;
    for (const std::string& body : bodies)
        items += std::string(items.empty() ? "" : ", ") + R"({"text": )" + jsonText(httpOk(body)) +
                 R"(, "substitute": false})";
    return R"({"routes": {"*": [)" + items + "]}}";
}

// Each test works in a folder of its own: the reply file lies in the current directory.
class ResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = fs::current_path();
        fs::current_path(m_folder.path());
    }
    void TearDown() override { fs::current_path(m_previous); }

    static std::string serviceHost(const ScriptedHttpServer& server) {
        return "127.0.0.1:" + std::to_string(server.port());
    }
    bool replyFileLeft() const { return fs::exists(m_folder.file(ServiceReplyFileName)); }

    testing::TempFolder m_folder{"resolver"};
    fs::path m_previous;
    RecordingHost m_host;
    RunContext m_context; // French, no stop asked, unless a test says otherwise
};

TEST_F(ResolverTest, RequestsCarryTheLinkUnchangedAndLast) {
    ScriptedHttpServer server(replies({"ok", "http://media.example/v.flv"}));

    reportLink(YouTubeLink, m_host, m_context, serviceHost(server));
    const std::optional<std::string> media =
        resolveLink(YouTubeLink, m_host, m_context, serviceHost(server));

    EXPECT_EQ(media, "http://media.example/v.flv");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target(), "/addVantaroURL.php?u=" + YouTubeLink);
    EXPECT_EQ(requests[1].target(), "/fr/Vantaro/kestravo.php?url=" + YouTubeLink);
    EXPECT_EQ(requests[0].header("Host"), serviceHost(server));
    EXPECT_FALSE(replyFileLeft());
    EXPECT_THAT(m_host.messages(), IsEmpty());
}

TEST_F(ResolverTest, FragmentIsCutAndBackslashesTravelAsSlashes) {
    ScriptedHttpServer server(replies({"ok", "link"}));

    reportLink("http://www.wat.tv\\video\\abc.html#top", m_host, m_context, serviceHost(server));
    resolveLink("http://videos.tf1.fr/x?y=1#part&z", m_host, m_context, serviceHost(server));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target(), "/addVantaroURL.php?u=http://www.wat.tv/video/abc.html");
    EXPECT_EQ(requests[1].target(), "/fr/Vantaro/kestravo.php?url=http://videos.tf1.fr/x?y=1");
}

TEST_F(ResolverTest, OnlyTheLastLineOfTheReplyCounts) {
    ScriptedHttpServer server(replies({
        "<html>notice</html>\r\nhttp://cdn.example/one.mp4",    // several lines
        "debug\nhttp://cdn.example/two.flv\r\n",                // one final break adds no line
        "http://cdn.example/three.flv\r\n\r\n",                 // a final empty line: empty result
        "",                                                     // no line at all
        std::string(4095, 'x') + "\r\nhttp://cdn.example/four", // CR LF across a read boundary
        "a\rb\n\rhttp://cdn.example/five",                      // lone CR and LF CR break lines
    }));
    const std::string host = serviceHost(server);

    EXPECT_EQ(resolveLink(YouTubeLink, m_host, m_context, host), "http://cdn.example/one.mp4");
    EXPECT_EQ(resolveLink(YouTubeLink, m_host, m_context, host), "http://cdn.example/two.flv");
    EXPECT_EQ(resolveLink(YouTubeLink, m_host, m_context, host), "");
    EXPECT_EQ(resolveLink(YouTubeLink, m_host, m_context, host), "");
    EXPECT_EQ(resolveLink(YouTubeLink, m_host, m_context, host), "http://cdn.example/four");
    EXPECT_EQ(resolveLink(YouTubeLink, m_host, m_context, host), "http://cdn.example/five");
    EXPECT_FALSE(replyFileLeft());
}

TEST_F(ResolverTest, LastLineRules) {
    EXPECT_EQ(lastLineOf(""), "");
    EXPECT_EQ(lastLineOf("only"), "only");
    EXPECT_EQ(lastLineOf("a\r\n"), "a");
    EXPECT_EQ(lastLineOf("a\r\n\r\n"), "");
    EXPECT_EQ(lastLineOf("a\n\n"), "");
    EXPECT_EQ(lastLineOf("a\r\nb"), "b");
    EXPECT_EQ(lastLineOf("a\n\r"), "");
    EXPECT_EQ(lastLineOf("a\rb\r"), "b");
}

TEST_F(ResolverTest, UnreachableServiceShowsTheNetworkErrorAndGivesNoAnswer) {
    // A port that was free a moment ago and has nobody listening.
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    const std::string host = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));

    EXPECT_EQ(resolveLink(YouTubeLink, m_host, m_context, host), std::nullopt);
    reportLink(YouTubeLink, m_host, m_context, host);

    const auto messages = m_host.messages();
    ASSERT_EQ(messages.size(), 2u) << "one network error per request";
    EXPECT_EQ(messages[0].text, NetworkError);
    EXPECT_EQ(messages[1].text, NetworkError);
    EXPECT_FALSE(replyFileLeft());
}

// A refused or cut reply is no answer, whatever its last line says: the cut one would give
// "http://cdn.example/vid" as the link.
TEST_F(ResolverTest, ARefusedOrCutReplyShowsTheNetworkErrorAndGivesNoAnswer) {
    ScriptedHttpServer server(R"({"routes": {"/fr/Vantaro/kestravo.php": [{"text":
        "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 12\r\nConnection: close\r\n\r\nERROR_SERVER"},
        {"text": "HTTP/1.1 200 OK\r\nContent-Length: 40\r\nConnection: close\r\n\r\nhttp://cdn.example/vid"}]}})");

    for (int reply = 0; reply < 2; ++reply) {
        EXPECT_EQ(resolveLink(YouTubeLink, m_host, m_context, serviceHost(server)), std::nullopt)
            << reply;
        EXPECT_EQ(m_host.eventsStartingWith("message:").size(), reply + 1u) << "one box each";
        EXPECT_FALSE(replyFileLeft()) << reply;
    }
    EXPECT_THAT(m_host.eventsStartingWith("message:"), ElementsAre(NetworkError, NetworkError));
}

TEST_F(ResolverTest, ReplyFileThatCannotBeCreatedRaises) {
    ScriptedHttpServer server(replies({"link"}));
    fs::create_directory(m_folder.file(ServiceReplyFileName)); // the name is taken by a folder

    EXPECT_THROW(resolveLink(YouTubeLink, m_host, m_context, serviceHost(server)), FetchFileError);
    EXPECT_THROW(reportLink(YouTubeLink, m_host, m_context, serviceHost(server)), FetchFileError);
    EXPECT_THAT(server.requests(), IsEmpty()) << "no request without a reply file";
}

TEST_F(ResolverTest, ACurrentFolderThatCannotBeWrittenInIsNamedInTheError) {
    ScriptedHttpServer server(replies({"link"}));
    testing::MountedFolder readOnly(m_folder.file("read-only"),
                                    testing::MountedFolder::Kind::ReadOnly);
    if (!readOnly.mounted())
        GTEST_SKIP() << readOnly.whyUnavailable();
    fs::current_path(readOnly.path());

    const auto expectNamedFolder = [&](const std::function<void()>& request) {
        try {
            request();
            ADD_FAILURE() << "no error raised";
        } catch (const FetchFileError& error) {
            EXPECT_THAT(error.what(), ::testing::HasSubstr("dossier courant (" + readOnly.path()));
        }
    };
    expectNamedFolder([&] { resolveLink(YouTubeLink, m_host, m_context, serviceHost(server)); });
    expectNamedFolder([&] { reportLink(YouTubeLink, m_host, m_context, serviceHost(server)); });
    fs::current_path(m_folder.path());
    EXPECT_THAT(server.requests(), IsEmpty()) << "no request without a reply file";
}

TEST_F(ResolverTest, ServerDownloadErrorShowsBothServerBoxesInOrder) {
    ScriptedHttpServer server(replies({"log line\r\nERROR_SERVER_DWNLD\r\n"}));
    const std::optional<std::string> reply =
        resolveLink(YouTubeLink, m_host, m_context, serviceHost(server));
    ASSERT_EQ(reply, "ERROR_SERVER_DWNLD");

    reportResolverError(*reply, m_host, m_context.language());

    const auto messages = m_host.messages();
    ASSERT_EQ(messages.size(), 2u);
    for (const auto& message : messages) {
        EXPECT_EQ(message.kind, MessageKind::Plain);
        EXPECT_EQ(message.caption, "Erreur");
        EXPECT_EQ(message.text, "Erreur: \r\nserveur indisponible, merci de retenter plus tard");
    }
}

TEST_F(ResolverTest, ErrorBoxesFollowTheCodesTheReplyContains) {
    reportResolverError("ERROR", m_host, m_context.language());
    reportResolverError("xERRORx ERROR_UNKNOWN", m_host, m_context.language());
    reportResolverError("error_server", m_host,
                        m_context.language()); // codes are compared case-sensitively
    EXPECT_THAT(m_host.messages(), IsEmpty());

    reportResolverError("ERROR_EMPTY_URL", m_host, m_context.language());
    m_context.setLanguage(Language::English);
    reportResolverError("ERROR_SERVER_DWNLD then ERROR_EMPTY_URL", m_host, m_context.language());

    const auto messages = m_host.messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].text, "Erreur: \r\nle lien vid\u00e9o est vide");
    EXPECT_EQ(messages[0].caption, "Erreur");
    EXPECT_EQ(messages[1].text, "Error: \r\nyour video link is empty");
    EXPECT_EQ(messages[1].caption, "Error");
    EXPECT_EQ(messages[2].text, "Error: \r\nserver error, please try again");
    EXPECT_EQ(messages[3].text, "Error: \r\nserver error, please try again");
}

TEST_F(ResolverTest, RequestsAimAtTheMakersHostByDefault) {
    EXPECT_EQ(reportRequest("L"), "http://www.quorlin.com/addVantaroURL.php?u=L");
    EXPECT_EQ(resolveRequest("L"), "http://www.quorlin.com/fr/Vantaro/kestravo.php?url=L");
}

} // namespace
} // namespace vantaro
