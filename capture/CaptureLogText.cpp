// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureLogText.h"

#include <QLocale>
#include <QString>

#include <cstdio>
#include <ctime>

namespace vantaro {

namespace {

bool isBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string trimBlanks(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlankOrControl(text[first]))
        ++first;
    while (last > first && isBlankOrControl(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

bool controlCharsToBlanks(std::string& text) {
    bool replaced = false;
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 32) {
            c = ' ';
            replaced = true;
        }
    }
    return replaced;
}

std::string exceptionText(const std::exception_ptr& error) {
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return trimBlanks(e.what());
    } catch (...) {
        return {};
    }
}

std::string timeSeparator() {
    const QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    qsizetype i = 0;
    while (i < format.size() && format[i] != u'h' && format[i] != u'H')
        ++i;
    if (i == format.size())
        return ":";
    while (i < format.size() && (format[i] == u'h' || format[i] == u'H'))
        ++i;
    QString between;
    while (i < format.size() && format[i] != u'm') {
        if (format[i] != u'\'')
            between += format[i];
        ++i;
    }
    if (between.isEmpty())
        return {};
    return between.left(1).toStdString();
}

std::string timeStampText(std::chrono::system_clock::time_point time, std::string_view separator) {
    using namespace std::chrono;
    const auto sinceEpoch = floor<milliseconds>(time.time_since_epoch());
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const int millis = static_cast<int>((sinceEpoch - wholeSeconds).count());
    const std::time_t stamp = static_cast<std::time_t>(wholeSeconds.count());
    std::tm local{};
    localtime_r(&stamp, &local);
    char digits[4][8];
    std::snprintf(digits[0], sizeof digits[0], "%02d", local.tm_hour);
    std::snprintf(digits[1], sizeof digits[1], "%02d", local.tm_min);
    std::snprintf(digits[2], sizeof digits[2], "%02d", local.tm_sec);
    std::snprintf(digits[3], sizeof digits[3], "%03d", millis);
    std::string text = digits[0];
    for (int part = 1; part < 4; ++part) {
        text += separator;
        text += digits[part];
    }
    return text;
}

std::string timeStampText(std::chrono::system_clock::time_point time) {
    return timeStampText(time, timeSeparator());
}

} // namespace vantaro
