// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the download worker's tests share: a site on nginx (a Dailymotion-like page, a
// YouTube-like page and a generated clip), the maker's service played by the scripted server,
// the real converter launchers, and the worker run through the recording host.

#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/RunContext.h"
#include "engine/DownloadWorker.h"
#include "engine/Resolver.h"
#include "jobs/StopCommands.h"

#include "support/MediaClips.h"
#include "support/NginxServer.h"
#include "support/RecordingHost.h"
#include "support/ScriptedHttpServer.h"
#include "support/ServedPages.h"
#include "support/TempFolder.h"
#include "support/WorkerSurroundings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vantaro::testing {

namespace fs = std::filesystem;

// Texts as the user must see them, written out here independently of the program's table.
namespace fr {
inline const std::string S1 = "T\u00e9l\u00e9chargement de la page source du Site..";
inline const std::string S2 = "Fin de t\u00e9l\u00e9chargement de la page source";
inline const std::string S3 = "Extraction du lien de la vid\u00e9o..";
inline const std::string S4 = "T\u00e9l\u00e9chargement de la vid\u00e9o d'origine..";
inline std::string S5(const std::string& fmt, bool suffix) {
    return "Traitement de la video vers le format " + fmt +
           (suffix ? ", merci de patienter.." : "");
}
inline const std::string S6 =
    "Source du site 'wat.tv/videos.tf1.fr' (tentative 1/7..), si les "
    "tentatives \u00e9chouent, choisir l'option Connexion moyenne ou lente";
inline const std::string R = "Pr\u00eat";
inline std::string L(int n, int total) {
    return "(Lien " + std::to_string(n) + "/" + std::to_string(total) + ") ";
}
inline std::string L1(int n, int t) {
    return L(n, t) + "Fin de t\u00e9l\u00e9chargement de la page HTML Daily/YouTube";
}
inline std::string L2(int n, int t) {
    return L(n, t) + "Extraction de la vid\u00e9o originale..";
}
inline std::string L3(int n, int t) {
    return L(n, t) + "T\u00e9l\u00e9chargement de la vid\u00e9o d'origine..";
}
inline std::string L4(int n, int t, const std::string& fmt) {
    return L(n, t) + "Traitement de la video vers le format " + fmt + "..";
}
inline const std::string M1 =
    "Le Champ source, du lien internet, doit contenir \r\n1-'dailymotion', "
    "ou \r\n3-'youtube' ou \r\n2-'wat.tv' or \r\n4-'videos.tf1.fr'";
inline const std::string M2 =
    "Le Champ source, du lien internet, doit contenir \r\n1-'dailymotion', "
    "ou \r\n2-'youtube' ou \r\n3-'wat.tv/videos.tf1.fr'";
inline const std::string Failed = "Le t\u00e9l\u00e9chargement a \u00e9chou\u00e9 : ";
inline const std::string NetworkError = "Erreur de connexion r\u00e9seau!";
} // namespace fr

namespace en {
inline const std::string S1 = "Downloading the internet page source..";
inline const std::string S2 = "End of downloading the internet page source";
inline const std::string S3 = "Extraction of the video..";
inline const std::string S4 = "Downloading the original video..";
inline std::string S5(const std::string& fmt, bool suffix) {
    return "Processing the video to the format : " + fmt + (suffix ? ", please wait.." : "");
}
inline const std::string R = "Ready";
inline std::string L(int n, int total) {
    return "(Link " + std::to_string(n) + "/" + std::to_string(total) + ") ";
}
inline std::string L1(int n, int t) {
    return L(n, t) + "End of downloading the internet page source";
}
inline std::string L2(int n, int t) {
    return L(n, t) + "Extraction of the original video..";
}
inline std::string L3(int n, int t) {
    return L(n, t) + "Downloading the original video..";
}
inline std::string L4(int n, int t, const std::string& fmt) {
    return L(n, t) + "Processing the video to the format : " + fmt + "..";
}
inline const std::string M1 = "The Internet link must contain \r\n1-'dailymotion', or "
                              "\r\n2-'youtube' or \r\n3-'wat.tv' or \r\n4-'videos.tf1.fr'";
inline const std::string M2 = "The Internet link must contain \r\n1-'dailymotion', or "
                              "\r\n2-'youtube' or \r\n3-'wat.tv/videos.tf1.fr'";
inline const std::string Failed = "The download failed: ";
} // namespace en

// Events of the host without the progress and the log: statuses, boxes, what happened in the
// run, rows and restores.
inline std::vector<std::string> steps(const RecordingHost& host) {
    std::vector<std::string> found;
    for (const std::string& event : host.events()) {
        if (event.rfind("position:", 0) != 0 && event.rfind("max:", 0) != 0 &&
            event.rfind("log:", 0) != 0)
            found.push_back(event);
    }
    return found;
}

inline std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class WorkerTestBench : public ::testing::Test {
protected:
    static constexpr auto Ceiling = std::chrono::seconds(120);

    void SetUp() override {
        ensureCoreApplication();
        m_surroundings.enter(VANTARO_PROGRAM_DIR, m_work.path());
    }
    void TearDown() override {
        m_worker.reset();
        m_surroundings.leave();
    }

    // nginx serves the clip, a Dailymotion-like page pointing at it and a YouTube-like page.
    void startSite(int clipSeconds = 3) {
        const std::string clip = testClip(ClipKind::Flv, clipSeconds);
        ASSERT_FALSE(clip.empty()) << "the system's ffmpeg could not make a test clip";
        fs::copy_file(clip, m_web.file("clip.flv"));
        fs::create_directories(m_web.file("dailymotion"));
        fs::create_directories(m_web.file("youtube"));
        m_nginx = std::make_unique<NginxServer>(m_web.path());
        writeWholeFile(m_web.file("dailymotion/x1a2b3c"), dailymotionPage(clipLink()));
        writeWholeFile(m_web.file("youtube/watch"), "<html>a YouTube page</html>\n");
    }
    std::string clipLink() const { return m_nginx->url("/clip.flv"); }
    std::string dailymotionLink() const { return m_nginx->url("/dailymotion/x1a2b3c"); }
    std::string youTubeLink() const { return m_nginx->url("/youtube/watch?v=dQw4w9WgXcQ"); }

    // The maker's service: the report answers "ok", the resolver each reply in turn.
    void startService(const std::vector<std::string>& resolverReplies,
                      const std::string& extraRoutes = {}) {
        std::string items;
        for (const std::string& reply : resolverReplies)
            items += (items.empty() ? "" : ", ") + std::string("{\"text\": ") +
                     jsonText(httpOk(reply)) + ", \"substitute\": false}";
        m_service = std::make_unique<ScriptedHttpServer>(
            "{\"routes\": {\"/addVantaroURL.php\": [{\"text\": " + jsonText(httpOk("ok\n")) +
            "}], \"/fr/Vantaro/kestravo.php\": [" + items + "]" + extraRoutes + "}}");
    }
    std::string serviceHost() const { return "127.0.0.1:" + std::to_string(m_service->port()); }
    std::vector<std::string> serviceTargets() const {
        std::vector<std::string> targets;
        for (const auto& request : m_service->requests())
            targets.push_back(request.target());
        return targets;
    }

    DownloadJob job(const std::string& link, const std::string& format,
                    const std::string& name = "clip") const {
        return DownloadJob{link, m_out.path(), name, format, "Essai"};
    }
    ListRowTexts row(const std::string& link, const std::string& format,
                     const std::string& name) const {
        return ListRowTexts{format, m_out.path(), name, "Essai", link};
    }

    // Starts the worker as the download commands do.
    void start(WorkMode mode, const DownloadJob& single = {}) {
        if (!m_worker)
            m_worker = std::make_unique<DownloadWorker>(m_context, m_host, serviceHostOrDefault());
        m_context.clearStop();
        m_context.setWorkMode(mode);
        m_worker->startWorker(single);
    }
    // Waits until the worker has ended; false when it did not within the ceiling.
    bool waitForEnd(std::chrono::milliseconds ceiling = Ceiling) {
        const auto deadline = std::chrono::steady_clock::now() + ceiling;
        while (m_worker->workerRunning()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    void run(WorkMode mode, const DownloadJob& single = {}) {
        start(mode, single);
        ASSERT_TRUE(waitForEnd()) << "the worker did not end";
    }

    std::string out(const std::string& name) const { return m_out.file(name); }
    bool replyFileLeft() const { return fs::exists(m_work.file(ServiceReplyFileName)); }

    RunContext m_context; // French unless a test says otherwise
    TempFolder m_work{"worker-cwd"};
    TempFolder m_out{"worker-out"};
    TempFolder m_web{"worker-web"};
    RecordingHost m_host;
    std::unique_ptr<NginxServer> m_nginx;
    std::unique_ptr<ScriptedHttpServer> m_service;
    std::unique_ptr<DownloadWorker> m_worker;

private:
    std::string serviceHostOrDefault() const {
        return m_service ? serviceHost() : std::string("127.0.0.1:9");
    }
    WorkerSurroundings m_surroundings;
};

} // namespace vantaro::testing

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace vantaro::testing {

// A host that carries every request out on the thread that made it, as the window does: the
// worker's thread blocks until that thread's event loop has run the request.
class QueuedHost : public WorkerHost {
public:
    explicit QueuedHost(RecordingHost& inner) : m_inner(inner) {}

    bool showMessage(MessageKind kind, const std::string& text,
                     const std::string& caption = {}) override {
        bool answer = true;
        call([&] { answer = m_inner.showMessage(kind, text, caption); });
        return answer;
    }
    void setStatus(const std::string& text) override {
        call([&] { m_inner.setStatus(text); });
    }
    void setProgressMax(std::int64_t maximum) override {
        call([&] { m_inner.setProgressMax(maximum); });
    }
    void setProgressPosition(std::int64_t position) override {
        call([&] { m_inner.setProgressPosition(position); });
    }
    std::int64_t progressPosition() override {
        std::int64_t value = 0;
        call([&] { value = m_inner.progressPosition(); });
        return value;
    }
    std::int64_t progressMax() override {
        std::int64_t value = 0;
        call([&] { value = m_inner.progressMax(); });
        return value;
    }
    void appendLog(const std::string& line) override {
        call([&] { m_inner.appendLog(line); });
    }
    int listSize() override {
        int value = 0;
        call([&] { value = m_inner.listSize(); });
        return value;
    }
    ListRowTexts readListRow(int row) override {
        ListRowTexts value;
        call([&] { value = m_inner.readListRow(row); });
        return value;
    }
    void deleteFirstListRow() override {
        call([&] { m_inner.deleteFirstListRow(); });
    }
    void restoreMainWindow() override {
        call([&] { m_inner.restoreMainWindow(); });
    }
    void workStarted(WorkMode mode) override {
        call([&] { m_inner.workStarted(mode); });
    }
    void rowTaken() override {
        call([&] { m_inner.rowTaken(); });
    }
    void rowDone() override {
        call([&] { m_inner.rowDone(); });
    }
    void linkDone() override {
        call([&] { m_inner.linkDone(); });
    }
    void stopCleanedUp(WorkMode mode) override {
        call([&] { m_inner.stopCleanedUp(mode); });
    }
    void listStoppedBetweenRows() override {
        call([&] { m_inner.listStoppedBetweenRows(); });
    }
    void listEnded() override {
        call([&] { m_inner.listEnded(); });
    }

private:
    template <typename Request> void call(Request request) {
        if (QThread::currentThread() == m_context.thread())
            request();
        else
            QMetaObject::invokeMethod(&m_context, request, Qt::BlockingQueuedConnection);
    }

    RecordingHost& m_inner;
    QObject m_context;
};

} // namespace vantaro::testing
