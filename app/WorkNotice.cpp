// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkNotice.h"

#include <string_view>

namespace vantaro {
namespace {

std::string counted(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::string firstMessageLine(const std::string& message) {
    std::string_view rest(message);
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = rest.substr(0, end);
        if (line.find_first_not_of(" \t") != std::string_view::npos)
            return std::string(line);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return {};
}

std::optional<WorkNotice> workNotice(const WorkSummary& summary, const std::string& firstMessage,
                                     bool english) {
    if (summary.stopped)
        return std::nullopt;
    if (summary.list) {
        WorkNotice notice{english ? "List finished" : "Liste termin\u00e9e", {}};
        notice.body =
            english ? counted(summary.made, "file made", "files made") + ", " +
                          counted(summary.dropped, "row dropped", "rows dropped")
                    : counted(summary.made, "fichier cr\u00e9\u00e9", "fichiers cr\u00e9\u00e9s") +
                          ", " +
                          counted(summary.dropped, "ligne \u00e9cart\u00e9e",
                                  "lignes \u00e9cart\u00e9es");
        return notice;
    }
    if (!summary.madeFile.empty())
        return WorkNotice{english ? "Download finished" : "T\u00e9l\u00e9chargement termin\u00e9",
                          summary.madeFile};
    const std::string reason = firstMessageLine(firstMessage);
    return WorkNotice{english ? "Download failed" : "\u00c9chec du t\u00e9l\u00e9chargement",
                      !reason.empty() ? reason
                      : english       ? "No file was made."
                                      : "Aucun fichier n'a \u00e9t\u00e9 cr\u00e9\u00e9."};
}

} // namespace vantaro
