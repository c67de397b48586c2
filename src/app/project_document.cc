#include "app/project_document.h"

#include "app/project_texts.h"
#include "platform/files.h"
#include "form/main_form.h"
#include "package/option_form.h"
#include "platform/paths.h"

namespace app {

project::Project ProjectDocument::Current() const {
  project::Project p;
  p.properties.app_name = props_->GetPropValue(form::kPropAppName);
  p.properties.setup_dir = props_->GetPropValue(form::kPropSetupDir);
  p.properties.save_path = props_->GetPropValue(form::kPropSavePath);
  p.properties.publisher = props_->GetPropValue(form::kPropPublisher);
  p.properties.version = props_->GetPropValue(form::kPropVersion);
  for (const entries::PackageEntry& row : list_->rows())
    p.entries.push_back({row.Name, row.Folder, entries::ParseFlags(row.Flags)});
  p.file_options = list_->file_options();
  package::CanonicalOptions(&p.entries, &p.file_options);
  p.jobs = jobs_;
  p.sign_command = sign_command_;
  p.icon = icon_;
  p.compression = props_->GetPropValue(form::kPropCompression) == form::kCompressionCompact
                      ? package::Compression::kSolid
                      : package::Compression::kLzss;
  return p;
}

std::vector<std::string> ProjectDocument::Show(const project::Project& p) {
  showing_ = true;
  props_->SetPropValue(form::kPropAppName, p.properties.app_name);
  props_->SetPropValue(form::kPropSetupDir, p.properties.setup_dir);
  props_->SetPropValue(form::kPropSavePath, p.properties.save_path);
  props_->SetPropValue(form::kPropPublisher, p.properties.publisher);
  props_->SetPropValue(form::kPropVersion, p.properties.version);
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
  list_->SetFileOptions(p.file_options);
  jobs_ = p.jobs;
  sign_command_ = p.sign_command;
  icon_ = p.icon;
  props_->SetPropValue(form::kPropCompression, p.compression == package::Compression::kSolid
                                                  ? form::kCompressionCompact
                                                  : form::kCompressionStandard);
  showing_ = false;
  return missing;
}

void ProjectDocument::MarkSaved(const std::string& path) {
  path_ = path;
  saved_ = Current();
}

std::string ProjectDocument::Name() const {
  if (path_.empty()) return project_text::kUntitled;
  std::string name = platform::GetFileName(path_);
  const size_t ext = std::string_view(project::kExtension).size();
  return project::IsProjectPath(name) ? name.substr(0, name.size() - ext) : name;
}

std::string ProjectDocument::Title(const std::string& caption) const {
  if (path_.empty()) return caption;
  return Name() + (Modified() ? "*" : "") + " - " + caption;
}

}  // namespace app
