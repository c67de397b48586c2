#include "app/project_document.h"

#include "app/project_texts.h"
#include "platform/files.h"
#include "shell/main_form.h"
#include "shell/paths.h"

namespace app {

project::Project ProjectDocument::Current() const {
  project::Project p;
  p.properties.app_name = props_->GetPropValue(shell::kPropAppName);
  p.properties.setup_dir = props_->GetPropValue(shell::kPropSetupDir);
  p.properties.save_path = props_->GetPropValue(shell::kPropSavePath);
  p.properties.publisher = props_->GetPropValue(shell::kPropPublisher);
  p.properties.version = props_->GetPropValue(shell::kPropVersion);
  for (const entries::PackageEntry& row : list_->rows())
    p.entries.push_back({row.Name, row.Folder, entries::ParseFlags(row.Flags)});
  p.jobs = jobs_;
  p.sign_command = sign_command_;
  return p;
}

std::vector<std::string> ProjectDocument::Show(const project::Project& p) {
  showing_ = true;
  props_->SetPropValue(shell::kPropAppName, p.properties.app_name);
  props_->SetPropValue(shell::kPropSetupDir, p.properties.setup_dir);
  props_->SetPropValue(shell::kPropSavePath, p.properties.save_path);
  props_->SetPropValue(shell::kPropPublisher, p.properties.publisher);
  props_->SetPropValue(shell::kPropVersion, p.properties.version);
  list_->Select(0);
  while (list_->count() > 0) list_->Remove(list_->count());
  missing_.clear();
  std::vector<std::string> missing;
  for (const package::EntryRow& row : p.entries) {
    list_->Append({row.Name, row.Folder, entries::FormatFlags(row.Flags)});
    if (!platform::PathExists(row.Folder + row.Name)) {
      missing.push_back(row.Folder + row.Name);
      missing_.insert(missing.back());
    }
  }
  jobs_ = p.jobs;
  sign_command_ = p.sign_command;
  showing_ = false;
  return missing;
}

void ProjectDocument::MarkSaved(const std::string& path) {
  path_ = path;
  saved_ = Current();
}

std::string ProjectDocument::Name() const {
  if (path_.empty()) return project_text::kUntitled;
  std::string name = shell::GetFileName(path_);
  const size_t ext = std::string_view(project::kExtension).size();
  return project::IsProjectPath(name) ? name.substr(0, name.size() - ext) : name;
}

std::string ProjectDocument::Title(const std::string& caption) const {
  if (path_.empty()) return caption;
  return Name() + (Modified() ? "*" : "") + " - " + caption;
}

}  // namespace app
