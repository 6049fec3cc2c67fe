// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EngineUpdates.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <unistd.h>

namespace vantaro {

namespace {

const char* const CheckDayFileName = "engine-check";
// The niceness of the engines' background work.
constexpr int BackgroundNice = 10;
// A day file is one short line; anything longer is not ours.
constexpr std::size_t MaxDayFileSize = 64;

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool readNumber(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string stateFolderFor(const std::string& xdgStateHome, const std::string& home) {
    if (xdgStateHome.starts_with('/'))
        return (xdgStateHome.ends_with('/') ? xdgStateHome : xdgStateHome + "/") + "vantaro/";
    if (home.starts_with('/'))
        return (home.ends_with('/') ? home : home + "/") + ".local/state/vantaro/";
    return {};
}

std::string engineCheckDayFile() {
    const std::string folder =
        stateFolderFor(environmentValue("XDG_STATE_HOME"), environmentValue("HOME"));
    return folder.empty() ? std::string() : folder + CheckDayFileName;
}

std::optional<std::chrono::sys_days> readCheckDay(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string line(MaxDayFileSize + 1, '\0');
    in.read(line.data(), static_cast<std::streamsize>(line.size()));
    line.resize(static_cast<std::size_t>(in.gcount()));
    if (line.ends_with('\n'))
        line.pop_back();
    int year = 0;
    int month = 0;
    int day = 0;
    if (line.size() != 10 || line[4] != '-' || line[7] != '-' ||
        !readNumber(std::string_view(line).substr(0, 4), year) ||
        !readNumber(std::string_view(line).substr(5, 2), month) ||
        !readNumber(std::string_view(line).substr(8, 2), day))
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok())
        return std::nullopt;
    return std::chrono::sys_days(date);
}

bool writeCheckDay(const std::string& path, std::chrono::sys_days day) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    const std::chrono::year_month_day date(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u\n", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

std::chrono::sys_days today() {
    return std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
}

std::vector<Engine> enginesToCheck(const StartupCheckFacts& facts) {
    if (!facts.allowed || (facts.lastCheck && *facts.lastCheck >= facts.today))
        return {};
    std::vector<Engine> engines;
    if (facts.ytDlpOrigin == EngineOrigin::OwnCopy)
        engines.push_back(Engine::YtDlp);
    if (facts.ownDeno)
        engines.push_back(Engine::Deno);
    return engines;
}

BackgroundJob::~BackgroundJob() {
    stopAndJoin();
}

bool BackgroundJob::start(std::function<void(const std::atomic<bool>& stop)> work) {
    if (m_running)
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_stop = false;
    m_running = true;
    m_thread = std::thread([this, work = std::move(work)] {
        // Background work yields the processor to the window; the programs it runs (gpgv, the
        // new copy's trial) inherit the lower priority.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), BackgroundNice);
        work(m_stop);
        m_running = false;
    });
    return true;
}

void BackgroundJob::stopAndJoin() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace vantaro
