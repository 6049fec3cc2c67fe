// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"

#include <stdexcept>
#include <string>

namespace vantaro {

// Why the system refused a file or a program, in the user's language: the reasons a download
// can meet are translated, any other error number gives the system's own text.
std::string systemReason(int errorNumber, Language language);
// Why a converter could not be started: a missing tool is "the converter cannot be found".
std::string converterStartReason(int errorNumber, Language language);

// A file or program operation that the system refused. The one who throws says what was tried,
// in both languages; userText() adds the reason in the given language, what() is the English
// text with the system's own reason. An error number of 0 adds no reason.
class SystemFailure : public std::runtime_error {
public:
    SystemFailure(const std::string& triedFrench, const std::string& triedEnglish, int errorNumber);
    int errorNumber() const { return m_errorNumber; }
    virtual std::string userText(Language language) const;

protected:
    std::string tried(Language language) const;

private:
    std::string m_triedFrench;
    std::string m_triedEnglish;
    int m_errorNumber;
};

// The text of an error that ended a download, for the failure box: a SystemFailure's user text,
// another exception's own text, or "unknown error" when there is no exception to ask.
std::string failureText(const std::exception* error, Language language);

} // namespace vantaro
