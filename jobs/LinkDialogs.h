// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/MessagePresenter.h"
#include "jobs/DownloadCommands.h"
#include "jobs/ListCommands.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vantaro {

// The fields of the add and modify dialogs, as the dialog holds them.
struct LinkDialogFields {
    std::string link;
    std::string folder;   // destination folder
    std::string fileName; // without extension
    std::string mp3Title;
    std::string format; // format name ("" when no format is selected)
};

// What the dialogs need of the program around them.
class LinkDialogHost : public MessagePresenter {
public:
    virtual bool directoryExists(const std::string& path) = 0;
    // True when the preferences file lies beside the program.
    virtual bool preferencesFileExists() = 0;
    // The text of the main window's list folder field.
    virtual std::string listFolderField() = 0;
    // The default destination of this run: the program folder's download folder, or the
    // per-user one when the program folder cannot be written.
    virtual std::string defaultDownloadsFolder() = 0;
};

// The folder-selection dialog: the chosen folder, or nothing when the user cancels.
class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // startFolder is selected when the dialog opens, unless it is empty.
    virtual std::optional<std::string> pickFolder(const std::string& caption,
                                                  const std::string& startFolder) = 0;
};

// The add dialog's folder when it opens: the list folder field, or the program's own download
// folder when that field is empty.
std::string addDialogDefaultFolder(LinkDialogHost& host);

// The add dialog opening: with a preferences file, a new random name, the default folder and the
// default MP3 title; without one, every field keeps what it held. The link and the format are
// never reset.
void addDialogActivate(LinkDialogFields& fields, LinkDialogHost& host);

// The add dialog confirm: checks the fields, fills an empty file name, appends the entry. True when
// the entry was added and the dialog closes; after a refusal the fields stay as typed.
bool addDialogConfirm(const RunContext& context, LinkDialogFields& fields, ListAppender& list,
                      LinkDialogHost& host);

// The edit dialog opening: fills the fields from the entry the dialog was opened for. False, with
// the fields unchanged, when that entry is no longer in the list.
bool modifyDialogActivate(LinkDialogFields& fields, const LinkList& list, std::uint64_t entryId);

enum class ModifyResult {
    Modified,   // the entry was rewritten; the dialog closes
    Refused,    // a check failed with its message; the dialog stays open
    InProgress, // the worker holds the entry; the dialog stays open
    Gone,       // the entry left the list meanwhile; the dialog closes
};

// The edit dialog confirm: checks the fields, fills an empty file name and rewrites the entry the
// dialog was opened for, where it now stands.
ModifyResult modifyDialogConfirm(const RunContext& context, LinkDialogFields& fields,
                                 std::uint64_t entryId, LinkListCommands& commands,
                                 const LinkList& list, LinkDialogHost& host);

// The dialogs' "Explorer": no folder selected at start; a chosen folder goes into the folder
// field, a cancel leaves it. The folder picked last is neither read nor changed.
void dialogPickFolder(const RunContext& context, LinkDialogFields& fields, FolderPicker& picker);

// The entry a dialog writes: the MP3 title only for the format "MP3", "-" otherwise.
DownloadJob dialogJob(const LinkDialogFields& fields);

namespace messages {
extern const char* const DialogFolderMissingFr; // D1 and D3
extern const char* const DialogFolderMissingEn;
extern const char* const DialogAddRefusedFr; // D2
extern const char* const DialogAddRefusedEn;
extern const char* const DialogModifyRefusedFr; // D4
extern const char* const DialogModifyRefusedEn;
extern const char* const DialogPickerCaptionFr;
extern const char* const DialogPickerCaptionEn;
} // namespace messages

} // namespace vantaro
