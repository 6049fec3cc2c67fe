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
inline constexpr const char* DesignCaption =
    "Vantaro 2.0 - YouTube & Dailymotion Enabled - 01/2014";

inline constexpr const char* PreferencesFileName = "applicationUserPreferences.ini";
inline constexpr const char* DownloadsFolderName = "QrlMyDownloads";

// Converter tools, relative to the program folder.
inline constexpr const char* ConverterF = "QrlBin/utilitymff4";
inline constexpr const char* ConverterM = "QrlBin/utilitymen2";
inline constexpr const char* PspConverter = "QrlBin/ffmpeg";
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
