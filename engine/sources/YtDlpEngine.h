// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Language.h"
#include "update/EngineVersion.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantaro {

// The yt-dlp a run uses and what its --version said, asked once when a job first needs it.
struct YtDlpEngine {
    std::string program;  // absolute; empty when there is none
    bool answers = false; // it started and answered --version
    std::optional<DateVersion> version;
    // The arguments its version calls for (the JavaScript runtime for a recent one).
    std::vector<std::string> versionArguments;
};

// The yt-dlp to run for the configured program (empty: none configured): that program when it
// is there, else the program's own copy, else yt-dlp on PATH. Empty when there is none.
std::string chosenYtDlpProgram(const std::string& configured);

// Runs program --version once (a name without '/' is looked up on PATH) and chooses the
// arguments its version calls for. The stop token ends the wait.
YtDlpEngine probeYtDlp(const std::string& program, const std::atomic<bool>& stop);

// True when a job on the yt-dlp road would do better with a new copy: there is none, it does
// not answer, or its release is more than 90 days old (an unknown version counts as old).
bool wantsNewYtDlp(const YtDlpEngine& engine, std::chrono::sys_days today);

// What kind of trouble yt-dlp's final reason names.
enum class YtDlpTrouble {
    Other,
    Unsupported, // no extractor knows the link
    Unavailable, // the video is gone, private or blocked
    SignIn,      // the site wants a sign-in or an age check
    OldCopy,     // an extractor broke or the site refused it: likely an old yt-dlp
};

YtDlpTrouble classifyYtDlpReason(std::string_view reason);

// The sentence that says what to do about a trouble, in the language given; empty for Other.
std::string ytDlpTroubleAdvice(YtDlpTrouble trouble, Language language);

// The text of a failure: the advice, then yt-dlp's own reason, cleaned and bounded.
std::string ytDlpFailureText(std::string_view reason, Language language);

// The question offering the program's own yt-dlp: none found, one too old, or one that just
// failed the way an old copy does.
enum class YtDlpOffer { Missing, Old, Failing };
std::string ytDlpOfferQuestion(YtDlpOffer offer, Language language);
// The status text while the new copy comes.
std::string ytDlpFetchingStatus(Language language);

} // namespace vantaro
