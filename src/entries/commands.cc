#include "entries/commands.h"

#include "platform/paths.h"

namespace entries {
namespace {

void AppendPath(EntryList* list, const std::string& path, int32_t flags) {
  list->Append({platform::GetFileName(path), platform::GetFolderPath(path), FormatFlags(flags)});
}

}  // namespace

AddResult AddFile(EntryList* list, const std::string& chosenPath) {
  if (chosenPath.empty()) return {};
  if (list->IsPathInList(chosenPath)) return {false, kFileAlreadyListed};
  AppendPath(list, chosenPath, 0);
  return {true, ""};
}

AddResult AddDir(EntryList* list, const std::string& chosenPath) {
  if (chosenPath.empty()) return {};
  if (list->IsPathInList(chosenPath)) return {false, kDirAlreadyListed};
  if (platform::GetFileName(chosenPath).empty()) return {false, kRootNotAllowed};
  AppendPath(list, chosenPath, Directory);
  return {true, ""};
}

bool DelFile(EntryList* list) {
  const int32_t row = list->selected();
  if (row == 0) return false;
  // The row below takes the selection, or the one above when this is the
  // last; it is selected first so the list never shows no selection between.
  list->Select(row < list->count() ? row + 1 : row - 1);
  return list->Remove(row);
}

bool ListKeyUp(EntryList* list, uint16_t KeyCode, bool IsMaking) {
  if (KeyCode != kDeleteKey || IsMaking) return false;
  return DelFile(list);
}

std::string OpenDirTarget(const EntryList& list) {
  return list.selected() == 0 ? std::string() : list.row(list.selected()).FullPath();
}

bool SetOption(EntryList* list, int32_t row, int32_t bit, bool on) {
  if (row < 1 || row > list->count() || (list->Flags(row) & Directory)) return false;
  for (int32_t i = 1; i <= list->count(); ++i) {
    int32_t flags = list->Flags(i);
    if (i == row)
      list->SetFlags(i, on ? flags | bit : flags & ~bit);
    else if (on)
      list->SetFlags(i, flags & ~bit);
  }
  // A file option naming a row is one more row with the option; those below
  // folder rows keep a shared option.
  std::vector<FileOption> kept;
  for (const FileOption& o : list->file_options()) {
    const bool names_a_row = o.rel_path.find(kRelPathSeparator) == std::string::npos;
    if (o.bit != bit || (!names_a_row && !(on && IsOneFileOption(bit))) ||
        (names_a_row && !on && o.rel_path != list->row(row).Name))
      kept.push_back(o);
  }
  list->SetFileOptions(std::move(kept));
  return true;
}

bool SetFolderFileOptions(EntryList* list, int32_t row, const std::vector<FileOption>& options) {
  if (row < 1 || row > list->count() || !(list->Flags(row) & Directory)) return false;
  const std::string& name = list->row(row).Name;
  int32_t taken = 0;  // options of one file that these set
  for (const FileOption& o : options) {
    if (!IsBelow(o.rel_path, name)) return false;
    if (IsOneFileOption(o.bit)) taken |= o.bit;
  }
  for (int32_t i = 1; i <= list->count(); ++i) list->SetFlags(i, list->Flags(i) & ~taken);
  std::vector<FileOption> result = options;
  for (const FileOption& o : list->file_options())
    if (!IsBelow(o.rel_path, name) && !(o.bit & taken)) result.push_back(o);
  list->SetFileOptions(std::move(result));
  return true;
}

}  // namespace entries
