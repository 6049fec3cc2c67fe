// SPDX-License-Identifier: GPL-3.0-or-later
// The capture tool fed with packet records: what it finds in HTTP requests, what it leaves, its
// start and stop cycle, the sound volume it puts back, and the timed retry. No "ports.txt" in
// the working directory: only port 80 is an http port here.
#include "capture/CaptureTool.h"

#include "CaptureFakes.h"
#include "capture/CaptureLogText.h"
#include "core/Constants.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vantaro {
namespace {

using testing::FakeCaptureHost;
using testing::FakeMonitor;
using testing::FakeVolume;
using testing::requestHead;
using testing::requestRecord;

const std::string WatGet = "GET /get/abc/video.mp4?ticket=1 HTTP/1.1";
const std::string FoundLink = "http://www.wat.tv/get/abc/video.mp4";

// A tool over recording fakes.
struct Rig {
    FakeCaptureHost host;
    FakeVolume volume;
    FakeMonitor::Record monitor;
    CaptureTool tool{host, volume, std::make_unique<FakeMonitor>(monitor)};

    // Starts the capture and forgets what the start logged.
    void start() {
        tool.toggleCapture();
        ASSERT_TRUE(tool.captureRunning());
        host.log.clear();
    }
    // Feeds one record through the monitor's handler, as the monitor reports it.
    void feed(const PacketInfo& record) { monitor.handler(record); }
};

TEST(CapturePacket, WatMediaRequestYieldsTheLinkAndStopsTheCapture) {
    Rig rig;
    rig.start();
    rig.feed(requestRecord(requestHead(WatGet, WatWebHost)));

    EXPECT_EQ(rig.tool.foundMediaLink(), FoundLink);
    EXPECT_EQ(rig.host.log, std::vector<std::string>{"[" + FoundLink + "]"});
    EXPECT_EQ(rig.host.navigations, std::vector<std::string>{std::string(NeutralPage) + "|4"});
    EXPECT_FALSE(rig.tool.captureRunning());
    EXPECT_EQ(rig.monitor.events, (std::vector<std::string>{"start 127.0.0.1", "stop"}));
    EXPECT_EQ(rig.host.caption, "Start Capture");
    EXPECT_FALSE(rig.host.timerEnabled);

    // A browser that refuses the neutral page changes nothing of the find.
    Rig refused;
    refused.host.browserFails = true;
    refused.start();
    refused.feed(requestRecord(requestHead(WatGet, WatWebHost)));
    EXPECT_EQ(refused.tool.foundMediaLink(), FoundLink);
    EXPECT_FALSE(refused.tool.captureRunning());
    EXPECT_TRUE(refused.host.statuses.empty());
}

TEST(CapturePacket, LaterExtensionsOverrideEarlierOnes) {
    struct Case {
        std::string head;
        std::string link;
    };
    const std::vector<Case> cases{
        // ".mp4" wins over an earlier ".flv".
        {requestHead("GET /get/a.flv/b.mp4?x=c.flv HTTP/1.1", WatWebHost),
         "http://www.wat.tv/get/a.flv/b.mp4"},
        // ".mp3" wins wherever it stands, even in a later header line: the link then runs on
        // over the request's blanks up to it.
        {requestHead(WatGet, WatWebHost, "Referer: http://x/y.mp3\r\n"),
         "http://www.wat.tv/get/abc/video.mp4?ticket=1 HTTP/1.1  Host: www.wat.tv  "
         "User-Agent: curl/8.5.0  Accept: */*  Referer: http://x/y.mp3"},
        {requestHead("GET /get/x.flv HTTP/1.0", WatWebHost), "http://www.wat.tv/get/x.flv"},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.start();
        rig.feed(requestRecord(c.head));
        EXPECT_EQ(rig.tool.foundMediaLink(), c.link) << c.head;
        EXPECT_EQ(rig.host.log, std::vector<std::string>{"[" + c.link + "]"});
        EXPECT_FALSE(rig.tool.captureRunning());
    }
}

TEST(CapturePacket, OtherRequestsAndPacketsLeaveTheCaptureRunning) {
    struct Case {
        const char* what;
        PacketInfo record;
    };
    PacketInfo notIpv4 = requestRecord(requestHead(WatGet, WatWebHost));
    notIpv4.linkProtocol = 0x86DD;
    const std::vector<Case> cases{
        {"path not under /get", requestRecord(requestHead("GET /video.mp4 HTTP/1.1", WatWebHost))},
        {"no media extension",
         requestRecord(requestHead("GET /get/abc/video HTTP/1.1", WatWebHost))},
        {"another host", requestRecord(requestHead(WatGet, "www.example.org"))},
        {"host in another case", requestRecord(requestHead(WatGet, "WWW.WAT.TV"))},
        {"lower-case get",
         requestRecord(requestHead("get /get/abc/video.mp4 HTTP/1.1", WatWebHost))},
        {"POST", requestRecord(requestHead("POST /get/abc/video.mp4 HTTP/1.1", WatWebHost))},
        {"port without a name", requestRecord(requestHead(WatGet, WatWebHost), 8080)},
        {"https port", requestRecord(requestHead(WatGet, WatWebHost), 443)},
        {"not IPv4", notIpv4},
        {"empty payload", requestRecord("")},
        // Without a blank after the host name there is no host at all.
        {"host at the very end", requestRecord("GET /get/a.mp4 HTTP/1.1\r\nHost: www.wat.tv")},
    };
    Rig rig;
    rig.start();
    for (const Case& c : cases) {
        rig.feed(c.record);
        EXPECT_TRUE(rig.tool.captureRunning()) << c.what;
    }
    EXPECT_TRUE(rig.host.log.empty());
    EXPECT_TRUE(rig.host.navigations.empty());
    EXPECT_EQ(rig.tool.foundMediaLink(), "");
    EXPECT_EQ(rig.monitor.events, std::vector<std::string>{"start 127.0.0.1"});

    // The server's answer on port 80 names the service by its source port: a GET-shaped answer
    // is a request as far as the tool can tell.
    rig.feed(requestRecord(requestHead(WatGet, WatWebHost), 51000, 80));
    EXPECT_EQ(rig.tool.foundMediaLink(), FoundLink);
}

TEST(CapturePacket, WithoutHostHeaderTheRequestTargetStandsForTheHost) {
    // The target takes the host's place, so it can never also start with "/get".
    Rig rig;
    rig.start();
    rig.feed(requestRecord(requestHead("GET /get/abc/video.mp4 HTTP/1.0", "")));
    rig.feed(requestRecord(requestHead("GET www.wat.tv HTTP/1.0", "")));
    EXPECT_TRUE(rig.tool.captureRunning());
    EXPECT_TRUE(rig.host.log.empty());

    EXPECT_EQ(mediaLinkOfRequest("[GET /get/a.mp4 HTTP/1.0  Accept: */*  ]", "/get/a.mp4"),
              "http:///get/a.mp4/get/a.mp4");
    EXPECT_EQ(mediaLinkOfRequest("[GET /get/a.mp4 HTTP/1.0  Accept: */*  ]", WatWebHost),
              std::nullopt);
}

TEST(CapturePacket, FoundLinkIsKeptAcrossCaptures) {
    Rig rig;
    rig.start();
    rig.feed(requestRecord(requestHead(WatGet, WatWebHost)));
    ASSERT_EQ(rig.tool.foundMediaLink(), FoundLink);

    rig.tool.toggleCapture();
    EXPECT_TRUE(rig.tool.captureRunning());
    EXPECT_EQ(rig.host.caption, "Stop Capture");
    EXPECT_FALSE(rig.host.timerEnabled);
    rig.feed(requestRecord(requestHead("GET /other HTTP/1.1", WatWebHost)));
    EXPECT_EQ(rig.tool.foundMediaLink(), FoundLink);
    rig.tool.toggleCapture();
    EXPECT_EQ(rig.tool.foundMediaLink(), FoundLink);

    rig.tool.toggleCapture();
    rig.feed(requestRecord(requestHead("GET /get/next.flv HTTP/1.1", WatWebHost)));
    EXPECT_EQ(rig.tool.foundMediaLink(), "http://www.wat.tv/get/next.flv");
}

TEST(CapturePacket, EveryRequestLineOnlyWhenAsked) {
    Rig rig;
    rig.start();
    PacketInfo record = requestRecord(requestHead("GET /x HTTP/1.1", "h"));
    rig.feed(record);
    EXPECT_TRUE(rig.host.log.empty());

    rig.tool.setLogEveryRequest(true);
    rig.feed(requestRecord(requestHead("POST /x HTTP/1.1", "h")));
    EXPECT_TRUE(rig.host.log.empty()) << "only requests the tool examines are logged";
    rig.feed(record);
    ASSERT_EQ(rig.host.log.size(), 1u);
    const std::string text = "[GET /x HTTP/1.1  Host: h  User-Agent: curl/8.5.0  Accept: */*    ]";
    const std::string stamp = timeStampText(record.captured);
    ASSERT_EQ(stamp.size(), 12u);
    // The columns of the header: Time, Prot, Plen, Source, Dest, Service, Dlen, Packet Data.
    EXPECT_EQ(rig.host.log[0], "**" + stamp + " TCP   119  192.168.1.20:51000   > " +
                                   "192.168.1.10:80      http           65 " + text);
    const std::string header = CaptureHeader;
    const std::string line = rig.host.log[0].substr(2);
    for (const char* column : {"Prot", "Plen", "Dest IP:Port", "Service", "Packet Data"})
        EXPECT_EQ(line[header.find(column) - 1], ' ') << column;
    EXPECT_EQ(line.substr(header.find("Packet Data")), text);
}

TEST(CaptureCycle, StartStopStartWritesOneHeaderPerStart) {
    const std::string header =
        "Time" + std::string(9, ' ') + "Prot" + std::string(1, ' ') + "Plen" + std::string(2, ' ') +
        "Source IP:Port" + std::string(9, ' ') + "Dest IP:Port" + std::string(9, ' ') + "Service" +
        std::string(6, ' ') + "Dlen" + std::string(1, ' ') + "Packet Data";
    EXPECT_EQ(std::string(CaptureHeader), header);

    Rig rig;
    rig.tool.toggleCapture();
    EXPECT_TRUE(rig.tool.captureRunning());
    EXPECT_EQ(rig.host.caption, "Stop Capture");
    rig.tool.toggleCapture();
    EXPECT_FALSE(rig.tool.captureRunning());
    EXPECT_EQ(rig.host.caption, "Start Capture");
    rig.tool.toggleCapture();
    EXPECT_EQ(rig.host.caption, "Stop Capture");
    EXPECT_EQ(rig.host.log, (std::vector<std::string>{"", header, "", "", header, ""}));
    EXPECT_EQ(rig.monitor.events,
              (std::vector<std::string>{"start 127.0.0.1", "stop", "start 127.0.0.1"}));
}

TEST(CaptureCycle, FailedStartsAreLoggedAndLeaveTheToolStopped) {
    Rig empty;
    empty.host.address.reset();
    empty.tool.toggleCapture();
    EXPECT_EQ(empty.host.log,
              std::vector<std::string>{"Failed to Start Monitor - List index out of bounds (-1)"});
    EXPECT_EQ(empty.host.caption, "Start Capture");
    EXPECT_FALSE(empty.tool.captureRunning());
    EXPECT_TRUE(empty.monitor.events.empty());

    // A socket message's line break makes two lines; the volume is not read for a failed start.
    Rig refused;
    refused.volume.current = 30000;
    refused.monitor.refusal = "  Error 1 in function Bind\r\nOperation not permitted ";
    refused.tool.toggleCapture();
    EXPECT_EQ(refused.host.log,
              (std::vector<std::string>{"Failed to Start Monitor - Error 1 in function Bind",
                                        "Operation not permitted"}));
    EXPECT_FALSE(refused.tool.captureRunning());
    EXPECT_EQ(refused.host.caption, "Start Capture");
    EXPECT_EQ(refused.tool.savedWaveVolume(), -1);

    // The next press tries again.
    refused.monitor.refusal.clear();
    refused.tool.toggleCapture();
    EXPECT_TRUE(refused.tool.captureRunning());
}

TEST(CaptureVolume, NothingSavedNothingSet) {
    // No readable mixer: a find, the end of the retry and a Stop leave the volume alone.
    Rig rig;
    rig.start();
    EXPECT_EQ(rig.tool.savedWaveVolume(), -1);
    rig.feed(requestRecord(requestHead(WatGet, WatWebHost)));
    ASSERT_EQ(rig.tool.foundMediaLink(), FoundLink);
    rig.tool.retryTick();
    rig.tool.restoreWaveVolume();
    EXPECT_TRUE(rig.volume.set.empty());

    // Without any start at all, the Stop command's restore does nothing either.
    Rig idle;
    idle.volume.current = 0;
    idle.tool.restoreWaveVolume();
    EXPECT_TRUE(idle.volume.set.empty());
}

TEST(CaptureVolume, TheStartsVolumeIsPutBack) {
    Rig rig;
    rig.volume.current = 41000;
    rig.start();
    EXPECT_EQ(rig.tool.savedWaveVolume(), 41000);
    rig.volume.current = 0; // muted meanwhile
    rig.feed(requestRecord(requestHead(WatGet, WatWebHost)));
    EXPECT_EQ(rig.volume.set, std::vector<std::uint16_t>{41000});

    // The Stop command's restore puts back the same level; a later start that cannot read the
    // mixer keeps it.
    rig.volume.current.reset();
    rig.tool.toggleCapture();
    rig.tool.restoreWaveVolume();
    EXPECT_EQ(rig.volume.set, (std::vector<std::uint16_t>{41000, 41000}));

    // A level of 0 at the start is a saved level too: the user had silenced the sound.
    Rig silent;
    silent.volume.current = 0;
    silent.start();
    silent.volume.current = 20000;
    silent.tool.restoreWaveVolume();
    EXPECT_EQ(silent.volume.set, std::vector<std::uint16_t>{0});
}

TEST(CaptureRetry, EachTickWaitsLongerUntilItGivesUp) {
    Rig rig;
    rig.start();
    rig.tool.setConnectionSpeed("Connexion Rapide (quick connection)");
    for (int attempt = 1; attempt <= 6; ++attempt) {
        rig.tool.retryTick();
        EXPECT_EQ(rig.host.timerInterval, attempt * 2000 + 10000);
        EXPECT_EQ(rig.host.log.back(),
                  "Tentative de recherche numéro : " + std::to_string(attempt) +
                      " Intervale actuel: " + std::to_string(attempt * 2000 + 10000));
    }
    EXPECT_EQ(rig.host.purges, 6);
    EXPECT_EQ(rig.host.refreshes, 6);
    EXPECT_TRUE(rig.tool.captureRunning());
    EXPECT_TRUE(rig.host.navigations.empty());

    // The seventh tick gives up: capture stopped, timer off, browser sent away, nothing logged.
    const std::size_t lines = rig.host.log.size();
    rig.tool.retryTick();
    EXPECT_EQ(rig.tool.captureAttempts(), 7);
    EXPECT_EQ(rig.host.timerInterval, 7 * 2000 + 10000);
    EXPECT_FALSE(rig.tool.captureRunning());
    EXPECT_FALSE(rig.host.timerEnabled);
    EXPECT_EQ(rig.host.navigations, std::vector<std::string>{std::string(NeutralPage) + "|4"});
    EXPECT_EQ(rig.host.log.size(), lines);
    EXPECT_EQ(rig.host.caption, "Start Capture");

    // A stopped tool is not started again by a later tick.
    rig.tool.retryTick();
    EXPECT_FALSE(rig.tool.captureRunning());
    EXPECT_EQ(rig.monitor.events, (std::vector<std::string>{"start 127.0.0.1", "stop"}));
}

TEST(CaptureRetry, FoundLinkEndsItAndBrowserErrorsShowTheHint) {
    Rig found;
    found.start();
    found.feed(requestRecord(requestHead(WatGet, WatWebHost)));
    found.host.log.clear();
    found.tool.retryTick();
    EXPECT_TRUE(found.host.log.empty());
    EXPECT_EQ(found.host.purges, 0);

    Rig failing;
    failing.host.browserFails = true;
    failing.tool.retryTick();
    EXPECT_EQ(failing.host.statuses, std::vector<std::string>{ConnectionHint});
    EXPECT_EQ(failing.host.log.back(), "Tentative de recherche numéro : 1 Intervale actuel: 22000");
}

TEST(CaptureRetry, ConnectionSpeedSetsTheBaseInterval) {
    Rig rig;
    EXPECT_EQ(rig.tool.retryBaseInterval(), 20000);
    const std::vector<std::pair<std::string, int>> choices{
        {"Connexion Rapide (quick connection)", 10000},
        {"Connexion Lente (low connection)", 30000},
        {"something else", 30000},
        {"Connexion Moyenne (medium connection)", 20000},
        {"connexion rapide (quick connection)", 20000},
    };
    for (const auto& [text, base] : choices) {
        rig.tool.setConnectionSpeed(text);
        EXPECT_EQ(rig.tool.retryBaseInterval(), base) << text;
    }
}

TEST(CaptureBrowser, CloseButtonShowsTheHintWhenTheBrowserRefuses) {
    Rig rig;
    rig.tool.showNeutralPage();
    EXPECT_EQ(rig.host.navigations, std::vector<std::string>{std::string(NeutralPage) + "|0"});
    EXPECT_TRUE(rig.host.statuses.empty());
    rig.host.browserFails = true;
    rig.tool.showNeutralPage();
    EXPECT_EQ(rig.host.statuses,
              std::vector<std::string>{"Assurez vous que la connexion Internet fonctionne et que "
                                       "votre firewall ne bloque pas Vantaro"});
}

} // namespace
} // namespace vantaro
