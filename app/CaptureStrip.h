// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The capture tool's part of the main window: the tool itself over the widgets of the hidden
// strip (address list, log, start button, browser), its retry timer, the sound volume and the
// mute key. The window hands its widgets over and connects nothing else.

#include "app/CaptureLog.h"
#include "capture/CaptureTool.h"
#include "capture/WaveVolume.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class QAbstractButton;
class QComboBox;
class QListWidget;
class QPlainTextEdit;

namespace vantaro {

class WebBrowser;

struct CaptureStripWidgets {
    QListWidget* ListBox1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QAbstractButton* Button15 = nullptr; // start and stop
    QAbstractButton* Button14 = nullptr; // browser to the neutral page
    QAbstractButton* Button13 = nullptr; // mute key
    QAbstractButton* Button12 = nullptr; // nothing
    WebBrowser* WebBrowser1 = nullptr;
    QComboBox* ComboBox2 = nullptr;                    // connection speed
    std::function<void(const std::string&)> setStatus; // the window's status line
};

class CaptureStrip : public QObject, private CaptureToolHost {
public:
    // volume null: the ALSA mixer's master volume.
    CaptureStrip(const CaptureStripWidgets& widgets, QObject* parent,
                 std::unique_ptr<WaveVolume> volume = nullptr);

    // Handlers of the strip's controls.
    void Button15Click() { m_tool.toggleCapture(); }
    void Button14Click();
    void Button13Click();
    void Button12Click() {}
    void Timer2Timer();
    void ComboBox2Change();

    // A line for the log from anywhere on the user-interface thread (the worker's lines too).
    void addLogLine(const std::string& line) { m_log.append(line); }
    // The Stop command's restore of the volume saved by a capture start.
    void restoreWaveVolume() { m_tool.restoreWaveVolume(); }

    CaptureTool& tool() { return m_tool; }
    QTimer& Timer2() { return m_timer2; }
    CaptureLogWriter& log() { return m_log; }

private:
    // CaptureToolHost
    void appendLog(const std::string& line) override { m_log.append(line); }
    void setCaptureCaption(const std::string& caption) override;
    std::optional<std::string> selectedAddress() override;
    void navigateBrowser(const std::string& url, int flags) override;
    void refreshBrowser() override;
    void purgeBrowserCache() override;
    void setRetryTimerEnabled(bool enabled) override;
    void setRetryTimerInterval(int milliseconds) override;
    void setStatus(const std::string& text) override;

    void connectControls();

    CaptureStripWidgets m_widgets;
    std::unique_ptr<WaveVolume> m_volume;
    CaptureLogWriter m_log;
    QTimer m_timer2;
    CaptureTool m_tool;
    int m_lastNavigation = 0;
    int m_hintNavigation = 0; // a failure of this navigation shows the connection hint
};

} // namespace vantaro
