#include "installer.h"

#include <windows.h>

#include <functional>
#include <map>

#include "log_sink.h"
#include "package/name_clashes.h"
#include "platform/utf.h"
#include "rel_path.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

// Whether rel_path (the next record's) can stand beside the records before
// it; else *why names the other one.
bool NoClash(package::NameClashes& clashes, const std::vector<FileRecord>& records,
             const std::wstring& rel_path, std::wstring* why) {
  size_t other = 0;
  package::NameClash clash = clashes.Add(
      std::u16string_view(reinterpret_cast<const char16_t*>(rel_path.data()), rel_path.size()), &other);
  if (clash == package::NameClash::kNone) return true;
  const wchar_t* lead = clash == package::NameClash::kSamePath  ? text::kNameTwice
                        : clash == package::NameClash::kCaseOnly ? text::kNameCaseClash
                                                                 : text::kNameFileAndFolder;
  *why = lead + (L"“" + records[other].rel_path + L"”");
  return false;
}

}  // namespace

bool PlanTargets(const std::wstring& folder, const PackageSource& pkg,
                 std::vector<std::wstring>* targets, std::wstring* why) {
  targets->clear();
  std::wstring reason;
  package::NameClashes clashes;
  for (const FileRecord& f : pkg.files()) {
    std::wstring full;
    if (!CheckRelPath(f.rel_path, &reason) || !JoinBelow(folder, f.rel_path, &full, &reason) ||
        !NoClash(clashes, pkg.files(), f.rel_path, &reason)) {
      *why = text::kUnsafeName + text::WithReason(L"“" + f.rel_path + L"”", reason);
      return false;
    }
    if (full.size() > kMaxShellPath) {
      *why = text::kPathTooLong + (L"“" + full + L"”");
      return false;
    }
    targets->push_back(std::move(full));
  }
  for (const OptionRecord& o : pkg.options()) {
    bool safe = o.in_list ? CheckRelPath(o.name, &reason) : CheckTopLevelName(o.name, &reason);
    if (!safe) {
      *why = text::kUnsafeName + text::WithReason(L"“" + o.name + L"”", reason);
      return false;
    }
  }
  return true;
}

bool InstallFiles(PackageSource& pkg, const FilePlan& plan, InstallTransaction& tx,
                  const InstallProgressFn& progress, const std::atomic<bool>* cancel,
                  std::wstring* err) {
  int64_t total = 0, done = 0;
  for (const FileRecord& f : pkg.files()) total += f.size;
  auto cancelled = [&]() {
    if (!cancel || !cancel->load()) return false;
    *err = text::kCancelled;
    return true;
  };

  // What each step will be, looked at once and noted in one journal step:
  // the folders to make, the files that take a free place and the files
  // that replace one (moved aside first) or are dropped.
  InstallTransaction::FileSteps steps;
  std::vector<bool> replaces(plan.targets.size(), false);
  std::map<std::wstring, bool> stands{{NoCaseKey(plan.folder), FolderExists(plan.folder)}};
  // Whether dir stands now; a missing one is noted to be made.
  std::function<bool(const std::wstring&, bool*)> look = [&](const std::wstring& dir, bool* exists) {
    auto it = stands.find(NoCaseKey(dir));
    if (it != stands.end()) return *exists = it->second, true;
    bool parent_stands = false;
    if (!look(ParentOf(dir), &parent_stands)) return false;
    DWORD a = parent_stands ? GetFileAttributesW(dir.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
      *err = SystemError(text::kCannotMakeFolder, dir, ERROR_FILE_EXISTS);
      return false;
    }
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) {
      *err = text::kLinkInFolder + (L"“" + dir + L"”");
      return false;
    }
    *exists = a != INVALID_FILE_ATTRIBUTES;
    if (!*exists) steps.folders.push_back(dir);
    stands[NoCaseKey(dir)] = *exists;
    return true;
  };
  for (size_t i = 0; i < plan.targets.size(); ++i) {
    const std::wstring& target = plan.targets[i];
    bool parent_stands = false;
    if (!look(ParentOf(target), &parent_stands)) return false;
    DWORD a = parent_stands ? GetFileAttributesW(target.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
      *err = text::kFolderInTheWay + (L"“" + target + L"”");
      return false;
    }
    replaces[i] = a != INVALID_FILE_ATTRIBUTES;
    (replaces[i] ? steps.removed : steps.placed).push_back(target);
  }
  std::vector<std::wstring> dropped;
  for (const std::wstring& d : plan.dropped)
    if (FileExists(d)) dropped.push_back(d);
  steps.removed.insert(steps.removed.end(), dropped.begin(), dropped.end());
  if (cancelled() || !tx.Plan(steps, err)) return false;
  for (const std::wstring& dir : steps.folders) Log().Write(text::kLogFolderMade, dir);

  // Decode every record straight to its place; a file it replaces is moved
  // aside just before. The package's digest was checked before anything was
  // written, and a record that fails to decode all the same is undone by the
  // transaction with the rest.
  for (size_t i = 0; i < pkg.files().size(); ++i) {
    if (cancelled()) return false;
    const std::wstring& target = plan.targets[i];
    if (replaces[i] && !tx.MoveAside(target, err)) return false;
    int64_t before = done;
    auto on_bytes = [&](int64_t n) {
      done += n;
      if (progress) progress(done, total);
    };
    std::string e;
    if (!pkg.Extract(i, target, on_bytes, &e)) {
      *err = platform::Utf8ToWide(e);
      return false;
    }
    done = before + pkg.files()[i].size;
    Log().Write(replaces[i] ? text::kLogReplaced : text::kLogPlaced, target);
    if (progress) progress(done, total);
    AfterRunStep();
  }
  if (cancelled()) return false;
  for (const std::wstring& d : dropped) {
    if (!tx.MoveAside(d, err)) return false;
    Log().Write(text::kLogRemoved, d);
  }
  return true;
}

}  // namespace stub
