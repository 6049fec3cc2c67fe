// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/sources/YtDlpEngine.h"

#include "core/RemoteText.h"
#include "update/EngineChoice.h"
#include "update/ProgramRun.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace vantaro {
namespace {

constexpr auto VersionWait = std::chrono::seconds(30);
constexpr std::size_t MaxVersionOutput = 256;
constexpr int OldAfterDays = 90;

std::string pathValue() {
    const char* value = std::getenv("PATH");
    return value != nullptr ? value : "";
}

std::string lowered(std::string_view text) {
    std::string low(text);
    std::transform(low.begin(), low.end(), low.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return low;
}

struct TroubleMark {
    YtDlpTrouble trouble;
    const char* text; // lower case
};

// Looked for in this order in the reason, lower-cased: the first that matches decides. A sign-in
// comes before "unavailable", as yt-dlp says both of an age-checked video.
constexpr std::array<TroubleMark, 21> TroubleMarks = {{
    {YtDlpTrouble::Unsupported, "unsupported url"},
    {YtDlpTrouble::SignIn, "sign in to confirm"},
    {YtDlpTrouble::SignIn, "age-restricted"},
    {YtDlpTrouble::SignIn, "inappropriate for some users"},
    {YtDlpTrouble::SignIn, "login required"},
    {YtDlpTrouble::SignIn, "requires authentication"},
    {YtDlpTrouble::SignIn, "--cookies"},
    {YtDlpTrouble::SignIn, "members-only"},
    {YtDlpTrouble::Unavailable, "video unavailable"},
    {YtDlpTrouble::Unavailable, "private video"},
    {YtDlpTrouble::Unavailable, "video is private"},
    {YtDlpTrouble::Unavailable, "has been removed"},
    {YtDlpTrouble::Unavailable, "no longer available"},
    {YtDlpTrouble::Unavailable, "not available in your country"},
    {YtDlpTrouble::Unavailable, "http error 404"},
    {YtDlpTrouble::OldCopy, "http error 403"},
    {YtDlpTrouble::OldCopy, "unable to extract"},
    {YtDlpTrouble::OldCopy, "extraction failed"},
    {YtDlpTrouble::OldCopy, "failed to extract"},
    {YtDlpTrouble::OldCopy, "please report this issue"},
    {YtDlpTrouble::OldCopy, "requested format is not available"},
}};

} // namespace

std::string chosenYtDlpProgram(const std::string& configured) {
    return chooseYtDlp(configured, enginesFolder(), pathValue()).path;
}

YtDlpEngine probeYtDlp(const std::string& program, const std::atomic<bool>& stop) {
    YtDlpEngine engine;
    engine.program =
        program.find('/') == std::string::npos ? findOnPath(program, pathValue()) : program;
    if (engine.program.empty())
        return engine;
    const ProgramOutput answer =
        runProgram(engine.program, {"--version"}, &stop, VersionWait, MaxVersionOutput);
    const std::string first = firstLine(answer.output);
    engine.answers = answer.finished && answer.exitCode == 0 && !first.empty();
    if (!engine.answers)
        return engine;
    engine.version = parseDateVersion(first);
    // Only a release that takes a runtime makes it worth looking for one (node is asked).
    if (engine.version && *engine.version >= FirstJsRuntimesRelease)
        engine.versionArguments = ytDlpVersionArguments(
            engine.version, chooseJsRuntime(enginesFolder(), pathValue(), &stop));
    return engine;
}

bool wantsNewYtDlp(const YtDlpEngine& engine, std::chrono::sys_days today) {
    return !engine.answers || !engine.version || isOlderThan(*engine.version, today, OldAfterDays);
}

YtDlpTrouble classifyYtDlpReason(std::string_view reason) {
    const std::string low = lowered(reason);
    for (const TroubleMark& mark : TroubleMarks) {
        if (low.find(mark.text) != std::string::npos)
            return mark.trouble;
    }
    return YtDlpTrouble::Other;
}

std::string ytDlpTroubleAdvice(YtDlpTrouble trouble, Language language) {
    switch (trouble) {
    case YtDlpTrouble::Unsupported:
        return pickText(language,
                        "yt-dlp ne reconna\u00eet pas ce lien : v\u00e9rifiez qu'il m\u00e8ne "
                        "bien \u00e0 la page d'une vid\u00e9o.",
                        "yt-dlp does not know this link: check that it leads to the page of a "
                        "video.");
    case YtDlpTrouble::Unavailable:
        return pickText(language,
                        "La vid\u00e9o n'est pas disponible : elle a pu \u00eatre retir\u00e9e, "
                        "rendue priv\u00e9e ou bloqu\u00e9e dans votre pays.",
                        "The video is not available: it may have been removed, made private or "
                        "blocked in your country.");
    case YtDlpTrouble::SignIn:
        return pickText(language,
                        "Le site demande une connexion ou une v\u00e9rification d'\u00e2ge : "
                        "cette vid\u00e9o ne peut pas \u00eatre t\u00e9l\u00e9charg\u00e9e sans "
                        "compte.",
                        "The site asks for a sign-in or an age check: this video cannot be "
                        "downloaded without an account.");
    case YtDlpTrouble::OldCopy:
        return pickText(language,
                        "Le site a refus\u00e9 yt-dlp ou a chang\u00e9 : une version plus "
                        "r\u00e9cente de yt-dlp le lit sans doute.",
                        "The site refused yt-dlp or has changed: a newer yt-dlp most likely "
                        "reads it.");
    case YtDlpTrouble::Other:
        break;
    }
    return {};
}

std::string ytDlpFailureText(std::string_view reason, Language language) {
    const std::string advice = ytDlpTroubleAdvice(classifyYtDlpReason(reason), language);
    const std::string cleaned = cleanRemoteText(reason);
    return advice.empty() ? cleaned : advice + " " + cleaned;
}

std::string ytDlpOfferQuestion(YtDlpOffer offer, Language language) {
    const std::string ask = pickText(language,
                                     "T\u00e9l\u00e9charger maintenant la derni\u00e8re version "
                                     "de yt-dlp ?",
                                     "Download the latest yt-dlp now?");
    switch (offer) {
    case YtDlpOffer::Missing:
        return pickText(language, "Ce lien demande yt-dlp, qui est introuvable. ",
                        "This link needs yt-dlp, which cannot be found. ") +
               ask;
    case YtDlpOffer::Old:
        return pickText(language,
                        "La version de yt-dlp utilis\u00e9e a plus de 90 jours et ne lit "
                        "peut-\u00eatre plus les sites d'aujourd'hui. ",
                        "The yt-dlp in use is more than 90 days old and may no longer read "
                        "today's sites. ") +
               ask;
    case YtDlpOffer::Failing:
        break;
    }
    return ask;
}

std::string ytDlpFetchingStatus(Language language) {
    return pickText(language, "T\u00e9l\u00e9chargement de yt-dlp...", "Downloading yt-dlp...");
}

} // namespace vantaro
