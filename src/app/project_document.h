#pragma once
// The window's project: which file it came from, the state last saved or
// opened (to tell unsaved changes), the build settings the window does not
// show (kept as the file had them) and the rows whose file or folder had
// gone when it was opened. It reads and fills the window's two models; it
// holds no window of its own.

#include <set>
#include <string>
#include <vector>

#include "entries/entry_list.h"
#include "project/project.h"
#include "proplist/property_list.h"

namespace app {

class ProjectDocument {
 public:
  ProjectDocument(proplist::PropertyList* props, entries::EntryList* list)
      : props_(props), list_(list) {}

  // The window's state as a project, with the kept build settings.
  project::Project Current() const;
  // Puts p into the window (the five values and the compression, the rows in order, no row
  // selected) and keeps its build settings; returns the full paths of the
  // rows whose file or folder does not exist, which are then marked.
  std::vector<std::string> Show(const project::Project& p);
  // The current state is the one saved at path ("": no project file).
  void MarkSaved(const std::string& path);

  bool HasFile() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  bool Modified() const { return !(Current() == saved_); }
  // The file's name without its extension, or "无标题".
  std::string Name() const;
  // caption alone without a project file; with one "<name> - caption", and
  // "<name>* - caption" when modified.
  std::string Title(const std::string& caption) const;
  // True while Show fills the window (its many changes need no title each).
  bool showing() const { return showing_; }
  bool IsMarkedMissing(const std::string& full_path) const { return missing_.count(full_path) != 0; }
  bool AnyMarkedMissing() const { return !missing_.empty(); }

 private:
  proplist::PropertyList* props_;
  entries::EntryList* list_;
  std::string path_;
  project::Project saved_;
  std::optional<int> jobs_;
  std::string sign_command_;
  std::string icon_;
  std::set<std::string> missing_;
  bool showing_ = false;
};

}  // namespace app
