// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantaro {

enum class ConverterTool { F, M, None };

// One output format. The argument template is written as the command line shows it, with
// {input}, {base} and {title} standing for the download file, the output path without
// extension and the MP3 title; a double-quoted piece of it is one argument.
struct FormatEntry {
    const char* name;
    const char* mainLabel;
    const char* dialogLabel; // nullptr: the dialogs leave their label as it is
    ConverterTool tool;
    const char* argumentTemplate; // nullptr for FLV, which is not converted
    const char* outputSuffix;
};

// The sixteen formats in the order of the drop-down lists.
const std::vector<FormatEntry>& formatCatalogue();
const FormatEntry* findFormat(std::string_view name);

// What yt-dlp is asked to fetch for a format: the picture no taller than the conversion keeps
// (a taller one costs download time and is scaled down anyway), or sound only.
struct PictureChoice {
    const char* formatName;
    int maxHeight;      // 0: the best sound alone, no picture
    const char* reason; // why that height
};

// One row per format of the catalogue, in its order.
const std::vector<PictureChoice>& pictureChoices();
const PictureChoice* findPictureChoice(std::string_view formatName);

// yt-dlp's --format selection and -S sort for a format: the best video with the best audio,
// else the best single file, sorted so that the tallest picture within the cap wins and H.264
// with AAC is preferred; for a sound-only format the best audio. An unknown name gets the
// selection without a cap.
std::vector<std::string> ytDlpFormatArguments(std::string_view formatName);

// What a conversion needs to fill a template.
struct ConversionPaths {
    std::string input;    // the download file
    std::string base;     // the output path without extension
    std::string mp3Title; // the job's MP3 title
};

// The tool path relative to the program folder ("" for FLV and unknown names use converter F).
std::string toolRelativePath(ConverterTool tool);

// The argument text exactly as the command line shows it; empty for a format without template.
std::string argumentText(std::string_view formatName, const ConversionPaths& paths);

// The arguments the converter is started with: each quoted piece of the template is one argument
// without its quotes, and no text taken from the paths or the title can split or add one.
std::vector<std::string> argumentVector(std::string_view formatName, const ConversionPaths& paths);

// The tool path, one space and the argument text.
std::string displayCommandLine(std::string_view formatName, const ConversionPaths& paths,
                               const std::string& programFolder);

// The file the conversion writes: base + the format's suffix (base + ".flv" for FLV).
std::optional<std::string> outputFile(std::string_view formatName, const std::string& base);

// Splits a command template into arguments, then fills the placeholders of each argument.
std::vector<std::string> splitTemplate(std::string_view argumentTemplate,
                                       const ConversionPaths& paths);
// Fills the placeholders of a template's text as it stands.
std::string fillTemplate(std::string_view argumentTemplate, const ConversionPaths& paths);

// New state of the main window after the user picks a format.
struct MainFormatState {
    bool fileNameEnabled = true;
    bool mp3TitleEnabled = false; // the MP3 title field and its label
    std::string extensionLabel;   // the extension shown beside the file name
    std::optional<std::string> generatedFileName;
};
MainFormatState mainFormatChange(std::string_view formatName);

// New state of the add and modify dialogs after the user picks a format; an empty optional
// leaves that part of the dialog as it was.
struct DialogFormatState {
    bool fileNameEnabled = true;
    std::optional<bool> mp3TitleEnabled;
    std::optional<std::string> extensionLabel;
    std::optional<std::string> generatedFileName;
};
DialogFormatState dialogFormatChange(std::string_view formatName);

} // namespace vantaro
