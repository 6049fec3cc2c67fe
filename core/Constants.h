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

// The link list: its columns.
inline constexpr int ListColumnCount = 6;

} // namespace vantaro
