// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WorkerHost.h"

#include <stdexcept>
#include <string>

namespace vantaro {

// The file given to a fetch could not be created; raised before any network access.
class FetchFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fetches an http link with a GET into a file (created, or emptied first). Progress and the
// network-error message go to the host; StopRequested ends the fetch early without a message.
// Throws FetchFileError when the file cannot be created; reports every other failure itself.
void FetchToFile(const std::string& link, const std::string& fileName, WorkerHost& host);

} // namespace vantaro
