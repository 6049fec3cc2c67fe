// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fixed texts of the program that name its maker, the sites it knows and the files it uses.
namespace vantaro {

inline constexpr const char* MakerHost = "www.quorlin.com";
inline constexpr const char* MakerDomain = "Quorlin.com";
inline constexpr const char* DefaultMp3Title = "Quorlin";
inline constexpr const char* MakerWebAddress = "http://www.quorlin.com";

inline constexpr const char* YouTubeKeyword = "youtube";
inline constexpr const char* DailymotionKeyword = "dailymotion";
inline constexpr const char* WatKeyword = "wat.tv";
inline constexpr const char* Tf1Keyword = "videos.tf1.fr";

inline constexpr const char* WatWebHost = "www.wat.tv";

// The HTTP fetch: request headers, limits and time-outs.
inline constexpr const char* FetchUserAgent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; fr; rv:1.9.2.16) Gecko/20110319 Firefox/3.6.16 "
    "( .NET CLR 3.5.30729)";
inline constexpr const char* FetchAccept = "text/html, */*";
inline constexpr const char* FetchAcceptEncoding = "identity";
inline constexpr int FetchRedirectLimit = 15; // this redirect response ends the fetch
inline constexpr int FetchBlockSize = 32768;  // largest block written and reported at once
inline constexpr int FetchConnectTimeoutMs = 100000;
inline constexpr int FetchReadTimeoutMs = 100000;       // each wait for data
inline constexpr int FetchRedirectBodyTimeoutMs = 4000; // each wait for a redirect's body
inline constexpr int FetchStopPollMs = 100; // StopRequested is looked at this often at least

// The line of a Dailymotion page that carries the stream links.
inline constexpr const char* DailymotionMarker = "apiSequenceURL";

inline constexpr const char* ExampleYouTubeLink = "http://www.youtube.com/watch?v=dQw4w9WgXcQ";
inline constexpr const char* ExampleYouTubeLinkEn = "http://www.youtube.com/watch?v=9bZkp7q19f0";
inline constexpr const char* ExampleDailymotionLink = "http://www.dailymotion.com/video/x1a2b3c";

inline constexpr const char* ApplicationTitle = "Vantaro";
// The desktop's name for the program: the desktop entry's and the icon's file names (without
// extension), the AppStream id and the launcher entry's application.
inline constexpr const char* DesktopAppId = "com.quorlin.Vantaro";
// The release, set once in the top-level CMakeLists.txt (project VERSION).
inline constexpr const char* ProgramVersion = VANTARO_VERSION;
// The help pages on the maker's web site.
inline constexpr const char* HelpUsePagePath = "/fr/Vantaro/VantaroUse.html";
inline constexpr const char* HelpWebPagePath = "/fr/Vantaro/Vantaro.html";
// How long the splash stays up once the windows exist, in milliseconds.
inline constexpr int SplashWaitMs = 1000;
// The main window's tool check runs this long after it is shown when the desktop has not
// activated it by then.
inline constexpr int ActivationFallbackMs = 500;
// How long the window waits for a running download to end when the program is left.
inline constexpr int ShutdownWorkerWaitMs = 15000;
inline constexpr const char* DesignCaption =
    "Vantaro 2.0 - YouTube & Dailymotion Enabled - 01/2014";

inline constexpr const char* PreferencesFileName = "applicationUserPreferences.ini";
inline constexpr const char* DownloadsFolderName = "QrlMyDownloads";

// Converter tools, relative to the program folder.
inline constexpr const char* ConverterF = "QrlBin/utilitymff4";
inline constexpr const char* ConverterM = "QrlBin/utilitymen2";
inline constexpr const char* PspConverter = "QrlBin/ffmpeg";
// How often a running converter is looked at, in milliseconds.
inline constexpr int ConverterPollMilliseconds = 200;
// The local PSP conversion's fixed metadata.
inline constexpr const char* PspTitleTag = "Tessavo";
inline constexpr const char* PspTimestamp = "2008-02-01 01:19:11";
// The resolver service's reply file, in the current directory while a request runs.
inline constexpr const char* ServiceReplyFileName = "xxxoxxx";
// Tools whose presence the main window checks when it is activated.
inline constexpr const char* PresenceCheckTools[] = {"QrlBin/utilitymff3", "QrlBin/utilitymen2",
                                                     "QrlBin/utilitymffx"};

// The link list.
// Columns of the list grid and their widths in pixels, and its default row height.
inline constexpr int ListColumnCount = 6;
inline constexpr int ListColumnWidths[ListColumnCount] = {31, 137, 178, 161, 147, 524};
inline constexpr int ListDefaultRowHeight = 21;
// Rows appended to the list reach its grid in batches, this long after the first of them.
inline constexpr int ListPublishIntervalMs = 50;
// How often the grid looks whether a list download started or ended, to redraw row 1's icon.
inline constexpr int ListRunningWatchMs = 250;

} // namespace vantaro
