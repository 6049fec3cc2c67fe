// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CaptureStrip.h"

#include "app/MuteKey.h"
#include "app/WebBrowser.h"
#include "capture/CaptureLogText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>

namespace vantaro {

namespace {

std::unique_ptr<WaveVolume> orMixer(std::unique_ptr<WaveVolume> volume) {
    return volume ? std::move(volume) : std::make_unique<AlsaWaveVolume>();
}

} // namespace

CaptureStrip::CaptureStrip(const CaptureStripWidgets& widgets, QObject* parent,
                           std::unique_ptr<WaveVolume> volume)
    : QObject(parent), m_widgets(widgets), m_volume(orMixer(std::move(volume))),
      m_log(*widgets.Memo1, CaptureLogLineLimit), m_tool(*this, *m_volume) {
    m_timer2.setObjectName("Timer2");
    m_timer2.setInterval(CaptureRetryTimerMs);
    m_timer2.setSingleShot(false);
    connectControls();
}

void CaptureStrip::connectControls() {
    const auto onClick = [this](QAbstractButton* button, void (CaptureStrip::*handler)()) {
        if (button)
            connect(button, &QAbstractButton::clicked, this, handler);
    };
    onClick(m_widgets.Button15, &CaptureStrip::Button15Click);
    onClick(m_widgets.Button14, &CaptureStrip::Button14Click);
    onClick(m_widgets.Button13, &CaptureStrip::Button13Click);
    onClick(m_widgets.Button12, &CaptureStrip::Button12Click);
    connect(&m_timer2, &QTimer::timeout, this, &CaptureStrip::Timer2Timer);
    if (m_widgets.ComboBox2)
        connect(m_widgets.ComboBox2, &QComboBox::currentTextChanged, this,
                &CaptureStrip::ComboBox2Change);
    if (m_widgets.WebBrowser1)
        connect(m_widgets.WebBrowser1, &WebBrowser::navigateError, this,
                [this](int navigation, const QString&, const QString&) {
                    if (navigation == m_hintNavigation)
                        setStatus(ConnectionHint);
                });
}

void CaptureStrip::Button14Click() {
    m_lastNavigation = 0;
    m_tool.showNeutralPage();
    // A page that fails later shows the same hint as a refusal now.
    m_hintNavigation = m_lastNavigation;
}

void CaptureStrip::Button13Click() {
    PressMuteKey();
}

void CaptureStrip::Timer2Timer() {
    m_lastNavigation = 0;
    m_tool.retryTick();
    m_hintNavigation = m_lastNavigation;
}

void CaptureStrip::ComboBox2Change() {
    m_tool.setConnectionSpeed(m_widgets.ComboBox2->currentText().toStdString());
}

void CaptureStrip::setCaptureCaption(const std::string& caption) {
    m_widgets.Button15->setText(QString::fromUtf8(caption));
}

std::optional<std::string> CaptureStrip::selectedAddress() {
    const QListWidgetItem* item = m_widgets.ListBox1->currentItem();
    if (item == nullptr || !item->isSelected())
        return std::nullopt;
    return item->text().toStdString();
}

void CaptureStrip::navigateBrowser(const std::string& url, int flags) {
    m_lastNavigation = m_widgets.WebBrowser1->Navigate(url, flags);
}

void CaptureStrip::refreshBrowser() {
    m_lastNavigation = m_widgets.WebBrowser1->Refresh();
}

void CaptureStrip::purgeBrowserCache() {
    m_widgets.WebBrowser1->PurgeCache();
}

void CaptureStrip::setRetryTimerEnabled(bool enabled) {
    if (enabled)
        m_timer2.start();
    else
        m_timer2.stop();
}

void CaptureStrip::setRetryTimerInterval(int milliseconds) {
    m_timer2.setInterval(milliseconds);
}

void CaptureStrip::setStatus(const std::string& text) {
    if (m_widgets.setStatus)
        m_widgets.setStatus(text);
}

} // namespace vantaro
