// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WebBrowser.h"

#include "capture/CaptureTool.h"
#include "core/Language.h"
#include "engine/Fetch.h"

// After the engine: the program-wide work mode hides the name of the work mode type.

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <unistd.h>

namespace vantaro {

namespace {

// The largest part of a page the browser shows.
constexpr std::size_t PageTextLimit = 1 << 20;

bool isHttpAddress(const std::string& url) {
    static const std::string scheme = "http://";
    if (url.size() <= scheme.size())
        return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i])
            return false;
    }
    return true;
}

// The fetch's window requests: the progress goes nowhere, a message is the failure's text.
class PageFetchHost final : public WorkerHost {
public:
    std::string failure;

    bool showMessage(MessageKind, const std::string& text, const std::string&) override {
        failure = text;
        return true;
    }
    void setStatus(const std::string&) override {}
    void setProgressMax(std::int64_t) override {}
    void setProgressPosition(std::int64_t) override {}
    std::int64_t progressPosition() override { return 0; }
    std::int64_t progressMax() override { return 0; }
    void appendLog(const std::string&) override {}
    int listSize() override { return 0; }
    ListRowTexts readListRow(int) override { return {}; }
    void deleteFirstListRow() override {}
    void restoreMainWindow() override {}
};

struct PageResult {
    bool ok = false;
    std::string content; // the page's text, or the failure's message
};

// Fetches a page into a temporary file and reads it back.
PageResult fetchPage(const std::string& url, Language language, const std::atomic<bool>& stop) {
    std::string name = (std::filesystem::temp_directory_path() / "vantaro-page-XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return {false, pickText(language, "Impossible de créer un fichier temporaire",
                                "Cannot create a temporary file")};
    ::close(fd);
    PageFetchHost host;
    FetchResult fetched = FetchResult::Failed;
    try {
        fetched = fetchToFile(url, name, host, stop, language);
    } catch (const std::exception& e) {
        host.failure = e.what();
    }
    PageResult result;
    if (fetched == FetchResult::Stopped) {
        result.content = pickText(language, "Chargement interrompu", "Loading stopped");
    } else if (fetched != FetchResult::Whole) {
        // Half a page is not the page: the fetch's own text says why, when it gave one.
        result.content = !host.failure.empty()
                             ? host.failure
                             : pickText(language, "Chargement incomplet", "Incomplete page");
    } else {
        std::ifstream in(name, std::ios::binary);
        result.content.resize(PageTextLimit);
        in.read(result.content.data(), static_cast<std::streamsize>(PageTextLimit));
        result.content.resize(static_cast<std::size_t>(in.gcount()));
        result.ok = true;
    }
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
    return result;
}

} // namespace

// Where a fetch thread leaves its result: the browser, as long as it lives.
struct WebBrowser::Mailbox {
    std::mutex mutex;
    WebBrowser* owner = nullptr;
    std::atomic<bool> stop{false}; // ends the page fetch under way
};

WebBrowser::WebBrowser(QWidget* parent)
    : QWidget(parent), m_view(new QPlainTextEdit(this)), m_mailbox(std::make_shared<Mailbox>()) {
    m_mailbox->owner = this;
    m_view->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

WebBrowser::~WebBrowser() {
    // A fetch still running finds no browser when it ends, and drops its page.
    std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->owner = nullptr;
}

void WebBrowser::stopLoading() {
    m_mailbox->stop = true;
}

QString WebBrowser::text() const {
    return m_view->toPlainText();
}

int WebBrowser::Navigate(const std::string& url, int flags) {
    if (!isHttpAddress(url))
        throw std::invalid_argument(
            pickText(m_language, "Adresse non prise en charge : ", "Unsupported address: ") + url);
    const int navigation = ++m_navigations;
    if ((flags & NavNoReadFromCache) == 0 && !m_cachedUrl.empty() && url == m_cachedUrl) {
        m_pending = 0; // a page still loading would replace this one
        m_location = url;
        m_view->setPlainText(QString::fromUtf8(m_cachedText));
        emit navigateComplete(navigation, QString::fromStdString(url));
        return navigation;
    }
    startFetch(url, navigation);
    return navigation;
}

int WebBrowser::Refresh() {
    if (m_location.empty())
        throw std::logic_error(
            pickText(m_language, "Aucune page à recharger", "No page to reload"));
    const int navigation = ++m_navigations;
    startFetch(m_location, navigation);
    return navigation;
}

void WebBrowser::PurgeCache() {
    m_cachedUrl.clear();
    m_cachedText.clear();
}

void WebBrowser::startFetch(const std::string& url, int navigation) {
    m_pending = navigation;
    m_mailbox->stop = false;
    std::thread([mailbox = m_mailbox, url, navigation, language = m_language] {
        PageResult result = fetchPage(url, language, mailbox->stop);
        std::lock_guard lock(mailbox->mutex);
        if (mailbox->owner == nullptr)
            return;
        WebBrowser* browser = mailbox->owner;
        // Posted while the browser cannot be destroyed; dropped with it if it goes first.
        QMetaObject::invokeMethod(
            browser,
            [browser, navigation, url, result = std::move(result)] {
                browser->fetchDone(navigation, url, result.ok, result.content);
            },
            Qt::QueuedConnection);
    }).detach();
}

void WebBrowser::fetchDone(int navigation, const std::string& url, bool ok,
                           const std::string& content) {
    if (navigation != m_pending)
        return; // a later navigation took its place
    m_pending = 0;
    m_location = url;
    m_view->setPlainText(QString::fromUtf8(content));
    if (ok) {
        m_cachedUrl = url;
        m_cachedText = content;
        emit navigateComplete(navigation, QString::fromStdString(url));
    } else {
        emit navigateError(navigation, QString::fromStdString(url), QString::fromUtf8(content));
    }
}

} // namespace vantaro
