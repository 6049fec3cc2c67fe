// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/RunContext.h"

namespace vantaro {

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

const char* RunContext::pickText(const char* french, const char* english) const {
    return vantaro::pickText(language(), french, english);
}

std::string RunContext::pickText(const std::string& french, const std::string& english) const {
    return vantaro::pickText(language(), french, english);
}

std::string RunContext::lastPickedFolder() const {
    std::lock_guard lock(m_folderMutex);
    return m_lastPickedFolder;
}

void RunContext::setLastPickedFolder(const std::string& folder) {
    std::lock_guard lock(m_folderMutex);
    m_lastPickedFolder = folder;
}

} // namespace vantaro
