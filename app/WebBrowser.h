// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small web browser for the capture tool's strip: it fetches a page with the program's HTTP
// fetch on a thread of its own and shows the page's text. Like a browser control, Navigate
// raises an exception for an address it cannot go to; a page that fails to load is reported by
// navigateError and shown in place of the page.

#include "core/Language.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <string>

class QPlainTextEdit;

namespace vantaro {

class WebBrowser : public QWidget {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent = nullptr);
    ~WebBrowser() override;

    // The language of the browser's own messages; French until set.
    void setLanguage(Language language) { m_language = language; }
    // Ends the page fetch under way, which then shows that loading stopped.
    void stopLoading();

    // Starts loading a page and returns its navigation number. Without the flag
    // NavNoReadFromCache (4) the page last loaded is shown again from the cache when it is the
    // same address. Raises std::invalid_argument for an address that is not an "http://" one.
    int Navigate(const std::string& url, int flags = 0);
    // Loads the current page again from the network; raises std::logic_error when there is none.
    int Refresh();
    // Forgets the cached page.
    void PurgeCache();

    // The address of the current page, the text shown, and whether a page is loading.
    const std::string& LocationURL() const { return m_location; }
    QString text() const;
    bool Busy() const { return m_pending != 0; }

signals:
    void navigateComplete(int navigation, const QString& url);
    void navigateError(int navigation, const QString& url, const QString& message);

private:
    struct Mailbox;
    void startFetch(const std::string& url, int navigation);
    void fetchDone(int navigation, const std::string& url, bool ok, const std::string& content);

    QPlainTextEdit* m_view = nullptr;
    std::shared_ptr<Mailbox> m_mailbox;
    std::string m_location;
    std::string m_cachedUrl;
    std::string m_cachedText;
    Language m_language = Language::French;
    int m_navigations = 0;
    int m_pending = 0; // the navigation being loaded, 0 when none
};

} // namespace vantaro
