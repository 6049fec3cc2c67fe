// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fixed texts of the program that name its maker, the sites it knows and the files it uses.
namespace vantaro {

inline constexpr const char* MakerHost = "www.quorlin.com";
inline constexpr const char* MakerDomain = "Quorlin.com";
inline constexpr const char* DefaultMp3Title = "Quorlin";

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

// The link list: its columns.
inline constexpr int ListColumnCount = 6;

} // namespace vantaro
