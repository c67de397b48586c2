#include "package/payload.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "package/messages.h"
#include "package/windows_names.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "platform/unicode.h"

namespace package {
namespace {

class DirectoryWalk {
 public:
  DirectoryWalk(const std::string& save_path, const std::atomic<bool>* stop,
                std::vector<PackFile>* files)
      : save_path_(save_path), stop_(stop), files_(files) {}

  // Walks dir, whose files go into the package below rel_prefix ("A\B\").
  void Walk(const std::string& dir, const std::string& rel_prefix) {
    platform::FileIdentity id;
    if (!platform::GetFileIdentity(dir, &id, nullptr) || !visited_.insert(id).second) return;
    std::vector<platform::DirEntry> entries;
    std::string e;
    if (!platform::ListDirectory(dir, &entries, &e)) {
      Refuse(msg::WithReason(msg::kFolderUnreadable, dir, e));
      return;
    }
    // Names equal in upper case (possible on case-sensitive systems) keep
    // a fixed order by their bytes, so every listing order gives one package.
    std::vector<std::tuple<std::u16string, std::string, size_t>> order;
    order.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
      order.emplace_back(WindowsNameKey(entries[i].name), entries[i].name, i);
    std::sort(order.begin(), order.end());
    for (const auto& [key, name, i] : order) {
      if (StopRequested(stop_)) return;
      const platform::DirEntry& entry = entries[i];
      std::string path = dir + platform::kPathSeparator + entry.name;
      if (entry.name.find(kPackageSeparator) != std::string::npos) {
        Refuse(msg::kNameHasSeparator + path);
        continue;
      }
      if (entry.is_special) {
        Refuse(msg::kNotRegularFile + path);
        continue;
      }
      if (entry.is_directory) {
        Walk(path, rel_prefix + entry.name + kPackageSeparator);
        continue;
      }
      if (platform::EqualIgnoringCase(entry.name, kThumbsDb)) continue;
      if (platform::EqualIgnoringCase(path, save_path_)) continue;
      files_->push_back(PackFile{path, rel_prefix + entry.name, entry.size});
    }
  }

  // The first refusal met, or empty.
  const std::string& refusal() const { return refusal_; }

 private:
  void Refuse(std::string message) {
    if (refusal_.empty()) refusal_ = std::move(message);
  }
  std::string save_path_;
  std::string refusal_;  // an unreadable folder, a name holding the package separator, a pipe, device or socket
  const std::atomic<bool>* stop_;
  std::vector<PackFile>* files_;
  std::set<platform::FileIdentity> visited_;
};

}  // namespace

bool CollectPackFiles(const std::vector<EntryRow>& rows, const std::string& save_path,
                      std::vector<PackFile>* files, std::string* err,
                      const std::atomic<bool>* stop) {
  for (const EntryRow& row : rows) {
    if (StopRequested(stop)) return true;
    std::string path = row.Folder + row.Name;
    if (row.Name.find(kPackageSeparator) != std::string::npos) {
      if (err) *err = msg::kNameHasSeparator + path;
      return false;
    }
    if (platform::IsDirectory(path)) {
      DirectoryWalk walk(save_path, stop, files);
      walk.Walk(path, row.Name + kPackageSeparator);
      if (!walk.refusal().empty()) {
        if (err) *err = walk.refusal();
        return false;
      }
      continue;
    }
    if (platform::KindOfPath(path) == platform::PathKind::kSpecial) {
      if (err) *err = msg::kNotRegularFile + path;
      return false;
    }
    PackFile f{path, row.Name, 0};
    std::string e;
    if (!platform::GetFileSize(path, &f.FileSize, &e)) {
      if (err) *err = msg::WithReason(msg::kFileUnreadable, path, e);
      return false;
    }
    files->push_back(std::move(f));
  }
  return true;
}

}  // namespace package
