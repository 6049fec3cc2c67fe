// SPDX-License-Identifier: GPL-3.0-or-later
// The small web browser against a scripted HTTP server on 127.0.0.1: pages, its one-page cache,
// the navigation flag that bypasses it, reloads, failures and a navigation overtaken by another.
#include "app/WebBrowser.h"

#include "support/QtTestRun.h"
#include "support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>

#include <functional>
#include <memory>
#include <stdexcept>
#include <tuple>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantaro {
namespace {

using testing::ScriptedHttpServer;

class WebBrowserTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::makeApplication("web_browser_test"); }

    // Runs the event loop until the browser has no page loading.
    static bool settle(WebBrowser& browser) {
        return testing::waitFor([&browser] { return !browser.Busy(); });
    }
};

TEST_F(WebBrowserTest, ShowsPagesAndKeepsTheLastOneUntilPurged) {
    ScriptedHttpServer server(
        R"({"routes": {"/home": [{"text": "HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\nfirst page\n"},
                                                         {"text": "HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\nsecond page\n"}]}})");
    WebBrowser browser;
    QSignalSpy completed(&browser, &WebBrowser::navigateComplete);
    const std::string home = server.url("/home");

    const int first = browser.Navigate(home, 0);
    EXPECT_TRUE(browser.Busy());
    ASSERT_TRUE(settle(browser));
    EXPECT_EQ(browser.text(), "first page\n");
    EXPECT_EQ(browser.LocationURL(), home);
    ASSERT_EQ(completed.count(), 1);
    EXPECT_EQ(completed[0][0].toInt(), first);

    // The same address again comes from the cache; flag 4 goes to the server.
    browser.Navigate(home, 0);
    EXPECT_FALSE(browser.Busy());
    EXPECT_EQ(completed.count(), 2);
    EXPECT_EQ(server.requests().size(), 1u);
    browser.Navigate(home, 4);
    ASSERT_TRUE(settle(browser));
    EXPECT_EQ(browser.text(), "second page\n");
    EXPECT_EQ(server.requests().size(), 2u);

    // A reload and a navigation after the purge go to the server too.
    browser.Refresh();
    ASSERT_TRUE(settle(browser));
    browser.PurgeCache();
    browser.Navigate(home, 0);
    ASSERT_TRUE(settle(browser));
    EXPECT_EQ(server.requests().size(), 4u);
    EXPECT_EQ(completed.count(), 5);
}

TEST_F(WebBrowserTest, RefusedAddressesRaiseAndFailedPagesAreReported) {
    WebBrowser browser;
    EXPECT_THROW(browser.Navigate("ftp://127.0.0.1/x", 0), std::invalid_argument);
    EXPECT_THROW(browser.Navigate("", 0), std::invalid_argument);
    EXPECT_THROW(browser.Refresh(), std::logic_error);
    EXPECT_FALSE(browser.Busy());

    // The refusals speak the browser's language.
    const auto refusal = [](const std::function<void()>& call) -> std::string {
        try {
            call();
        } catch (const std::exception& error) {
            return error.what();
        }
        return "no refusal";
    };
    for (const auto& [language, unsupported, noPage] :
         {std::tuple{Language::French, "Adresse non prise en charge : ftp://x",
                     "Aucune page \u00e0 recharger"},
          std::tuple{Language::English, "Unsupported address: ftp://x", "No page to reload"}}) {
        WebBrowser speaking;
        speaking.setLanguage(language);
        EXPECT_EQ(refusal([&] { speaking.Navigate("ftp://x"); }), unsupported);
        EXPECT_EQ(refusal([&] { speaking.Refresh(); }), noPage);
    }

    // A port nothing listens on: the fetch's network error, shown and signalled.
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    const std::string closed = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";

    QSignalSpy failed(&browser, &WebBrowser::navigateError);
    QSignalSpy completed(&browser, &WebBrowser::navigateComplete);
    const int navigation = browser.Navigate(closed, 4);
    ASSERT_TRUE(settle(browser));
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed[0][0].toInt(), navigation);
    EXPECT_EQ(failed[0][2].toString(), QString::fromUtf8("Erreur de connexion réseau!"));
    EXPECT_EQ(browser.text(), QString::fromUtf8("Erreur de connexion réseau!"));
    EXPECT_EQ(completed.count(), 0);
    // A failed page is not cached: the same address goes to the network again.
    browser.Navigate(closed, 0);
    EXPECT_TRUE(browser.Busy());
    ASSERT_TRUE(settle(browser));
    EXPECT_EQ(failed.count(), 2);
}

TEST_F(WebBrowserTest, ALaterNavigationOvertakesASlowOne) {
    ScriptedHttpServer server(R"({"routes": {
        "/slow": [{"text": "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nslow\n", "delay": 1.0}],
        "/fast": [{"text": "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfast\n"}]}})");
    WebBrowser browser;
    QSignalSpy completed(&browser, &WebBrowser::navigateComplete);
    browser.Navigate(server.url("/slow"), 4);
    const int fast = browser.Navigate(server.url("/fast"), 4);
    ASSERT_TRUE(settle(browser));
    EXPECT_EQ(browser.text(), "fast\n");
    // Let the slow page arrive: it is dropped.
    testing::letEventsRun(1500);
    testing::waitFor([&server] { return server.requests().size() >= 2; }, 8500);
    EXPECT_EQ(browser.text(), "fast\n");
    ASSERT_EQ(completed.count(), 1);
    EXPECT_EQ(completed[0][0].toInt(), fast);
}

TEST_F(WebBrowserTest, ABrowserGoneBeforeItsPageArrivesIsNotTouched) {
    ScriptedHttpServer server(
        R"({"routes": {"*": [{"text": "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nok\n", "delay": 0.3}]}})");
    auto browser = std::make_unique<WebBrowser>();
    browser->Navigate(server.url("/page"), 4);
    browser.reset();
    testing::letEventsRun(1000);
    EXPECT_EQ(server.requests().size(), 1u);
}

} // namespace
} // namespace vantaro
