#pragma once
// The commands that add, remove and locate rows and switch options, as model
// operations. Choosers and message boxes stay with the caller: it passes in
// the chosen path ("" when cancelled) and shows the returned message (title
// package::msg::kTitle, exclamation icon, OK button).

#include <cstdint>
#include <string>
#include <vector>

#include "entries/entry_list.h"

namespace entries {

// Texts of the commands.
inline constexpr char kFileAlreadyListed[] = "该文件已经被添加到列表中！";
inline constexpr char kDirAlreadyListed[] = "该目录已经被添加到列表中！";
inline constexpr char kRootNotAllowed[] = "根目录不能添加到列表中，请重新选择！";
// AddFile's chooser: one filter pair.
inline constexpr char kOpenFilterName[] = "所有文件(*.*)";
inline constexpr char kOpenFilterPattern[] = "*.*";
// AddDir's chooser prompt.
inline constexpr char kBrowseFolderPrompt[] = "选择一个文件夹，然后单击“确定”";

struct AddResult {
  bool added = false;
  const char* message = "";  // a refusal to show, or "" for none
};

// Appends the chosen file as a file row (Flags "0"). Nothing for an empty
// path; a refusal when the path is already a row.
AddResult AddFile(EntryList* list, const std::string& chosenPath);

// Appends the chosen folder as a folder row (Flags "64"). Nothing for an
// empty path; a refusal when the path is already a row (tested first) or
// is a root (its GetFileName is empty).
AddResult AddDir(EntryList* list, const std::string& chosenPath);

// Removes the selected row and selects the row that follows it (the new
// last row when it was the last), so repeated removals go down the list;
// false when none is selected.
bool DelFile(EntryList* list);

// The list's key-release handler: the Delete key (virtual key 46, whatever
// the Shift state) removes the selected row unless a build runs.
inline constexpr uint16_t kDeleteKey = 46;
bool ListKeyUp(EntryList* list, uint16_t KeyCode, bool IsMaking);

// OpenDir: the selected row's full path to show in the file manager, or ""
// when no row is selected.
std::string OpenDirTarget(const EntryList& list);

// Sets (on) or clears option `bit` on row `row`, clearing it on every other
// row so that at most one row carries it (and, for an option of one file,
// on every file inside a folder row). A folder row takes no options: then
// nothing changes at all and the result is false.
bool SetOption(EntryList* list, int32_t row, int32_t bit, bool on);

// Replaces the options of the files inside folder row `row` with `options`
// (each naming a file below the row's Name). An option of one file that
// one of them sets is cleared on every other row and file. False, with
// nothing changed, when row is no folder row or an option names a path
// outside it.
bool SetFolderFileOptions(EntryList* list, int32_t row, const std::vector<FileOption>& options);

}  // namespace entries
