#include "cli/extraction.h"

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "package/messages.h"
#include "package/temp_files.h"
#include "package/windows_names.h"
#include "platform/folder.h"
#include "platform/temporaries.h"

namespace cli {
namespace {

using platform::Folder;

// Refusals; each names the record or the path concerned.
constexpr char kUnsafeName[] = "安装包中的文件名会写到目标文件夹之外，什么也没有写：";
constexpr char kDuplicateName[] = "安装包中有两个文件同名（Windows不区分大小写），什么也没有写：";
constexpr char kFileAndFolder[] = "安装包中的同一个名称既是文件又是文件夹，什么也没有写：";
constexpr char kLinkInTarget[] = "目标文件夹中有链接，解包不会跟随它，什么也没有写：";
constexpr char kFileInTheWay[] = "目标文件夹中已有同名的文件，无法创建文件夹，什么也没有写：";
constexpr char kFolderInTheWay[] = "目标文件夹中已有同名的文件夹，什么也没有写：";
constexpr char kSpecialInTheWay[] = "目标文件夹中已有同名的管道、设备或套接字，什么也没有写：";
constexpr char kTargetIsPackage[] = "安装包中的文件会覆盖安装包本身，什么也没有写：";
constexpr char kDirNotAFolder[] = "目标不是文件夹，什么也没有写：";
// A failure after the checks; what this run wrote has been removed.
constexpr char kExtractFailed[] = "解包失败，本次写入的文件已删除：";
constexpr char kWriteFailed[] = "无法写入文件：";

// The parts of a stored name, or false when the name could leave the
// folder it is written below: empty, absolute, a drive or UNC path, "." or
// "..", a ":" (drive or stream), "/" or an empty part.
bool SplitSafe(const std::string& name, std::vector<std::string>* parts) {
  parts->clear();
  if (name.find_first_of(":/") != std::string::npos || name.find('\0') != std::string::npos)
    return false;
  size_t start = 0;
  for (;;) {
    size_t end = name.find('\\', start);
    std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    parts->push_back(part);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

// A part as Windows tells names apart: trailing dots and spaces dropped
// (Windows drops them when it creates a file), then the case key the
// builder compares stored names by.
std::u16string WindowsKey(const std::string& part) {
  size_t end = part.find_last_not_of(". ");
  return package::WindowsNameKey(std::string_view(part).substr(0, end == std::string::npos ? 0 : end + 1));
}

struct Target {
  std::string name;                // the record's name, for messages
  std::vector<std::string> parts;  // folders, then the file's own name
  bool existing = false;           // a file of that name is there: it is replaced at the end
  std::string temp;                // the temporary name beside an existing file, once made
  bool placed = false;             // the file at its place is this run's
  bool replaced = false;           // a file of that name was there before
};

// The folders from the root down to the last one reached, held open, so
// that the files of one folder (a package lists them together) are reached
// without walking the path again. A folder held open cannot be replaced by
// a link meanwhile (see platform/folder.h), so what was checked stays true.
class FolderChain {
 public:
  void Reset(Folder* root) {
    root_ = root;
    names_.clear();
    folders_.clear();
  }
  // How many of the first n parts are held open already.
  size_t Shared(const std::vector<std::string>& parts, size_t n) const {
    size_t k = 0;
    while (k < n && k < names_.size() && names_[k] == parts[k]) ++k;
    return k;
  }
  // Keeps the first k folders and returns the deepest of them.
  Folder* Keep(size_t k) {
    names_.resize(k);
    folders_.resize(k);
    return k ? folders_.back().get() : root_;
  }
  void Push(const std::string& name, std::unique_ptr<Folder> folder) {
    names_.push_back(name);
    folders_.push_back(std::move(folder));
  }

 private:
  Folder* root_ = nullptr;
  std::vector<std::string> names_;
  std::vector<std::unique_ptr<Folder>> folders_;
};

class Extraction {
 public:
  Extraction(package::PackageReader& reader, const std::string& dir) : reader_(reader), dir_(dir) {}
  ~Extraction() { Undo(); }

  bool Run(std::string* err);

 private:
  bool PlanNames(std::string* err);
  bool CheckTarget(Target& t, std::string* err);
  bool MakeRoot(std::string* err);
  Folder* Reach(const std::vector<std::string>& parts, bool create, std::string* err);
  bool Stage(size_t i, std::string* err);
  bool Place(Target& t, std::string* err);
  std::string PathOf(const std::vector<std::string>& parts, size_t n) const;
  void Undo();

  package::PackageReader& reader_;
  std::string dir_;
  std::vector<Target> targets_;
  platform::FileIdentity package_id_;
  bool have_package_id_ = false;
  std::unique_ptr<Folder> root_;
  FolderChain chain_;  // below root_
  // Folders this run created, in order: dir_ and its missing parents as
  // paths, then the ones below dir_ by their parts.
  std::vector<std::string> made_dirs_;
  std::vector<std::vector<std::string>> made_folders_;
  bool done_ = false;
};

// The path of the first n parts below dir_, spelled as Folder::PathOf spells it.
std::string Extraction::PathOf(const std::vector<std::string>& parts, size_t n) const {
  std::string path = dir_;
  for (size_t k = 0; k < n; ++k) {
    if (path.empty() || (path.back() != '/' && path.back() != platform::kPathSeparator))
      path += platform::kPathSeparator;
    path += parts[k];
  }
  return path;
}

// Splits every name and refuses names that leave the folder or collide.
bool Extraction::PlanNames(std::string* err) {
  std::map<std::u16string, std::string> files;  // key of the whole name -> the record's name
  std::map<std::u16string, std::string> folders;
  for (const package::FileRecord& f : reader_.contents().files) {
    Target t;
    t.name = f.rel_path;
    if (!SplitSafe(f.rel_path, &t.parts)) return (*err = kUnsafeName + f.rel_path), false;
    std::u16string key;
    for (size_t k = 0; k < t.parts.size(); ++k) {
      if (k) key += u'\\';
      key += WindowsKey(t.parts[k]);
      if (k + 1 < t.parts.size()) folders.emplace(key, f.rel_path);
    }
    if (!files.emplace(key, f.rel_path).second) return (*err = kDuplicateName + f.rel_path), false;
    targets_.push_back(std::move(t));
  }
  for (const auto& [key, name] : files) {
    auto folder = folders.find(key);
    if (folder != folders.end()) return (*err = kFileAndFolder + name), false;
  }
  return true;
}

// Looks at what is already in the folder where t goes, following no link.
// Notes in t whether a file is there to be replaced.
bool Extraction::CheckTarget(Target& t, std::string* err) {
  const size_t last = t.parts.size() - 1;
  size_t k = chain_.Shared(t.parts, last);
  Folder* at = chain_.Keep(k);
  for (; k < t.parts.size(); ++k) {
    Folder::Kind kind;
    platform::FileIdentity id;
    if (!at->KindOf(t.parts[k], &kind, &id, err)) return false;
    const std::string path = PathOf(t.parts, k + 1);
    switch (kind) {
      case Folder::Kind::kMissing: return true;  // everything from here on is new
      case Folder::Kind::kLink: return (*err = kLinkInTarget + path), false;
      case Folder::Kind::kSpecial: return (*err = kSpecialInTheWay + path), false;
      case Folder::Kind::kFile:
        if (k != last) return (*err = kFileInTheWay + path), false;
        if (have_package_id_ && id == package_id_) return (*err = kTargetIsPackage + path), false;
        t.existing = true;
        return true;
      case Folder::Kind::kFolder: {
        if (k == last) return (*err = kFolderInTheWay + path), false;
        std::unique_ptr<Folder> child = at->OpenChild(t.parts[k], err);
        if (!child) return false;
        at = child.get();
        chain_.Push(t.parts[k], std::move(child));
        break;
      }
    }
  }
  return true;
}

// Opens dir_, creating it and its missing parents first.
bool Extraction::MakeRoot(std::string* err) {
  std::vector<std::string> missing;
  std::string path = dir_;
  while (!platform::PathExists(path)) {
    missing.push_back(path);
    size_t sep = path.find_last_of(platform::kPathSeparator == '\\' ? "\\/" : "/");
    if (sep == std::string::npos || sep == 0) break;
    std::string parent = path.substr(0, sep);
    if (parent.size() == 2 && parent[1] == ':') break;  // a drive
    path = parent;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    const std::string& folder = *it;
    std::string e;
    bool made = platform::MakeTemporary(folder, true, [&] {
      return platform::CreateDirectories(folder, &e);
    });
    if (!made) return (*err = kExtractFailed + e), false;
    made_dirs_.push_back(folder);
  }
  root_ = Folder::Open(dir_, err);
  chain_.Reset(root_.get());
  return root_ != nullptr;
}

// The folder that holds the file parts names, reached from the deepest
// folder the chain shares with it; with create, missing folders are made
// and listed as this run's.
Folder* Extraction::Reach(const std::vector<std::string>& parts, bool create, std::string* err) {
  const size_t depth = parts.size() - 1;
  size_t k = chain_.Shared(parts, depth);
  Folder* here = chain_.Keep(k);
  for (; k < depth; ++k) {
    if (create) {
      Folder::Kind kind;
      if (!here->KindOf(parts[k], &kind, nullptr, err)) return nullptr;
      if (kind == Folder::Kind::kMissing) {
        bool made = platform::MakeTemporary(here->PathOf(parts[k]), true, [&] {
          return here->CreateChild(parts[k], err);
        });
        if (!made) return nullptr;
        made_folders_.emplace_back(parts.begin(), parts.begin() + static_cast<ptrdiff_t>(k) + 1);
      }
    }
    std::unique_ptr<Folder> next = here->OpenChild(parts[k], err);
    if (!next) return nullptr;
    here = next.get();
    chain_.Push(parts[k], std::move(next));
  }
  return here;
}

// Decodes record i: a file whose place was free straight into a new file
// there (which fails if anything took the name meanwhile, a link included),
// one that replaces a file into a new temporary file beside it.
bool Extraction::Stage(size_t i, std::string* err) {
  Target& t = targets_[i];
  Folder* at = Reach(t.parts, true, err);
  if (!at) return false;
  std::unique_ptr<platform::File> file;
  if (!t.existing) {
    const std::string& name = t.parts.back();
    if (!platform::MakeTemporary(at->PathOf(name), false, [&] {
          file = at->CreateNewFile(name, err);
          return file != nullptr;
        }))
      return false;
    t.placed = true;
  } else {
    std::string temp;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
      temp = "~qrpack-" + package::RandomTag() + ".tmp";
      bool made = platform::MakeTemporary(at->PathOf(temp), false, [&] {
        file = at->CreateNewFile(temp, err);
        return file != nullptr;
      });
      Folder::Kind kind;
      if (!made && (!at->KindOf(temp, &kind, nullptr, nullptr) || kind == Folder::Kind::kMissing))
        return false;  // not a name collision
    }
    if (!file) return (*err = at->path() + "：" + package::msg::kNoFreeTempName), false;
    t.temp = temp;
  }
  std::string write_err;
  bool write_failed = false;
  auto write = [&](const uint8_t* buf, size_t n, std::string*) {
    write_failed = !file->Write(buf, n, &write_err);
    return !write_failed;
  };
  std::string e;
  if (!reader_.DecodeRecord(i, write, nullptr, &e) || !file->Close(&write_err)) {
    *err = write_failed || e.empty()
               ? package::msg::WithReason(kWriteFailed, at->PathOf(t.parts.back()), write_err)
               : e;
    return false;
  }
  return true;
}

// Renames t's temporary file over the file it replaces, after looking
// once more that no link, folder or special file has appeared there.
bool Extraction::Place(Target& t, std::string* err) {
  Folder* at = Reach(t.parts, false, err);
  if (!at) return false;
  const std::string& name = t.parts.back();
  Folder::Kind kind;
  if (!at->KindOf(name, &kind, nullptr, err)) return false;
  const std::string path = at->PathOf(name);
  if (kind == Folder::Kind::kLink) return (*err = kLinkInTarget + path), false;
  if (kind == Folder::Kind::kFolder) return (*err = kFolderInTheWay + path), false;
  if (kind == Folder::Kind::kSpecial) return (*err = kSpecialInTheWay + path), false;
  t.replaced = kind == Folder::Kind::kFile;
  if (!platform::DropTemporary(at->PathOf(t.temp), [&] { return at->Rename(t.temp, name, err); }))
    return false;
  t.placed = true;
  t.temp.clear();
  return true;
}

// Removes what this run made, unless it finished: temporary files, files it
// added (a file it replaced cannot be had back and stays), then the folders
// it created, the deepest first.
void Extraction::Undo() {
  if (done_) return;
  done_ = true;
  if (root_) {
    for (Target& t : targets_) {
      if (t.temp.empty() && !(t.placed && !t.replaced)) continue;
      Folder* at = Reach(t.parts, false, nullptr);
      if (!at) continue;
      const std::string& name = t.temp.empty() ? t.parts.back() : t.temp;
      platform::DropTemporary(at->PathOf(name), [&] { return at->RemoveFile(name, nullptr); });
    }
    for (auto it = made_folders_.rbegin(); it != made_folders_.rend(); ++it) {
      // A folder held open cannot be removed: let go of the chain first.
      chain_.Keep(0);
      Folder* at = Reach(*it, false, nullptr);  // Reach stops at the parent of the last part
      if (!at) continue;
      const std::string& name = it->back();
      platform::DropTemporary(at->PathOf(name), [&] { return at->RemoveChild(name, nullptr); });
    }
    chain_.Keep(0);
    root_.reset();
  }
  for (auto it = made_dirs_.rbegin(); it != made_dirs_.rend(); ++it) {
    const std::string& folder = *it;
    platform::DropTemporary(folder, [&] { return platform::RemoveEmptyFolder(folder, nullptr); });
  }
}

bool Extraction::Run(std::string* err) {
  if (!PlanNames(err)) return false;
  have_package_id_ = platform::GetFileIdentity(reader_.path(), &package_id_, nullptr);
  switch (platform::KindOfPath(dir_)) {
    case platform::PathKind::kMissing: break;  // nothing there can be in the way
    case platform::PathKind::kFolder:
      root_ = Folder::Open(dir_, err);
      if (!root_) return false;
      chain_.Reset(root_.get());
      for (Target& t : targets_)
        if (!CheckTarget(t, err)) return false;
      break;
    default: return (*err = kDirNotAFolder + dir_), false;
  }
  // Last of the checks: a package changed since it was written writes nothing.
  if (!reader_.VerifyDigest(nullptr, nullptr, err)) return false;
  if (!root_ && !MakeRoot(err)) return false;
  std::string e;
  for (size_t i = 0; i < targets_.size(); ++i) {
    if (!Stage(i, &e)) return (*err = kExtractFailed + e), false;
  }
  for (Target& t : targets_) {
    if (t.existing && !Place(t, &e)) return (*err = kExtractFailed + e), false;
  }
  // What is in place is the result now, no longer this run's temporary work.
  for (const Target& t : targets_)
    if (!t.existing) platform::DropTemporary(PathOf(t.parts, t.parts.size()), [] { return true; });
  for (const auto& parts : made_folders_)
    platform::DropTemporary(PathOf(parts, parts.size()), [] { return true; });
  for (const std::string& folder : made_dirs_) platform::DropTemporary(folder, [] { return true; });
  done_ = true;
  return true;
}

}  // namespace

bool ExtractPackage(package::PackageReader& reader, const std::string& dir, std::string* err) {
  Extraction extraction(reader, dir);
  return extraction.Run(err);
}

}  // namespace cli
