// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SharedState.h"

namespace vantaro {

std::atomic<int> WorkMode{0};
std::atomic<bool> StopRequested{false};
std::atomic<bool> ListRunning{false};
CurrentJobTexts CurrentJob;

void CurrentJobTexts::setFormatName(const std::string& name) {
    std::lock_guard lock(m_mutex);
    m_formatName = name;
}

void CurrentJobTexts::setMp3Title(const std::string& title) {
    std::lock_guard lock(m_mutex);
    m_mp3Title = title;
}

std::string CurrentJobTexts::formatName() const {
    std::lock_guard lock(m_mutex);
    return m_formatName;
}

std::string CurrentJobTexts::mp3Title() const {
    std::lock_guard lock(m_mutex);
    return m_mp3Title;
}

} // namespace vantaro
