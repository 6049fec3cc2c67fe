// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Constants.h"
#include "core/Language.h"
#include "core/MessagePresenter.h"
#include "core/RunContext.h"
#include "core/SystemReasons.h"
#include "engine/WorkerHost.h"

#include <optional>
#include <stdexcept>
#include <string>

namespace vantaro {

// The service's reply file, in the current directory while a request runs.
inline constexpr const char* ServiceReplyFileName = "xxxoxxx";

// The reply file of the service could not be read back after its fetch.
class ReplyFileError : public SystemFailure {
public:
    using SystemFailure::SystemFailure;
};

// The two requests to the maker's service: the link follows "u=" and "url=" as it is, not
// percent-encoded, and last, so that its own "?" and "&" belong to it.
std::string reportRequest(const std::string& link, const std::string& serviceHost = MakerHost);
std::string resolveRequest(const std::string& link, const std::string& serviceHost = MakerHost);

// Reports a job's link to the service. The reply goes into the reply file, which is deleted at
// once without being read. A network failure shows the fetch's message and changes nothing
// else; a reply file that cannot be created raises FetchFileError, whose text says so in the
// user's language when the current folder is not writable.
void reportLink(const std::string& link, WorkerHost& host, const RunContext& context,
                const std::string& serviceHost = MakerHost);

// The same, except that a network failure is not shown: false tells of it.
bool reportLinkQuietly(const std::string& link, WorkerHost& host, const RunContext& context,
                       const std::string& serviceHost = MakerHost);

// Asks the service for the media link of a YouTube, WAT or TF1 page: the last line of its reply,
// which is either a link or an error code containing "ERROR"; empty when the reply has no line
// or ends with an empty one. Nothing when the reply did not arrive whole (the service could not
// be reached, refused, hung up or the file could not be written: the fetch has then shown its
// message; or a stop cut it): the last line of a cut reply is not the service's answer. The
// reply file lies in the current directory only during the call. Raises FetchFileError or
// ReplyFileError when the reply file cannot be created or read.
std::optional<std::string> resolveLink(const std::string& link, WorkerHost& host,
                                       const RunContext& context,
                                       const std::string& serviceHost = MakerHost);

// The last line of a text whose lines end with CR, LF or CR LF; a final line break adds no line.
std::string lastLineOf(const std::string& text);

// Shows one plain box for each error code the reply contains, in a fixed order; a reply with
// "ERROR" but none of the known codes shows nothing.
void reportResolverError(const std::string& reply, MessagePresenter& presenter, Language language);

} // namespace vantaro
