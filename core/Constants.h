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
inline constexpr const char* NeutralPage = "http://www.quorlin.com/";

inline constexpr const char* ExampleYouTubeLink = "http://www.youtube.com/watch?v=dQw4w9WgXcQ";
inline constexpr const char* ExampleYouTubeLinkEn = "http://www.youtube.com/watch?v=9bZkp7q19f0";
inline constexpr const char* ExampleDailymotionLink = "http://www.dailymotion.com/video/x1a2b3c";

inline constexpr const char* ApplicationTitle = "Vantaro";
inline constexpr const char* DesignCaption = "Vantaro 2.0 - YouTube & Dailymotion Enabled - 01/2014";

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

} // namespace vantaro
