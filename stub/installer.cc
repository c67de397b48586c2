#include "installer.h"

#include <windows.h>

#include <set>

#include "platform/utf.h"
#include "rel_path.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {

bool PlanTargets(const std::wstring& folder, const PackageSource& pkg,
                 std::vector<std::wstring>* targets, std::wstring* why) {
  targets->clear();
  std::wstring reason;
  for (const FileRecord& f : pkg.files()) {
    std::wstring full;
    if (!CheckRelPath(f.rel_path, &reason) || !JoinBelow(folder, f.rel_path, &full, &reason)) {
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
  if (!tx.MakeFolders(plan.folder, err)) return false;
  std::wstring staging;
  if (!tx.Staging(&staging, err)) return false;

  // Folders known to stand, so each is looked at once.
  std::set<std::wstring> folders{plan.folder};
  auto make_parent = [&](const std::wstring& target) {
    std::wstring parent = ParentOf(target);
    if (folders.count(parent)) return true;
    if (!tx.MakeFolders(parent, err)) return false;
    folders.insert(parent);
    return true;
  };
  auto cancelled = [&]() {
    if (!cancel || !cancel->load()) return false;
    *err = text::kCancelled;
    return true;
  };

  // Decode every record: a free place takes its file at once, a file that
  // replaces another waits in the staging folder.
  std::vector<size_t> staged;
  for (size_t i = 0; i < pkg.files().size(); ++i) {
    if (cancelled()) return false;
    const std::wstring& target = plan.targets[i];
    if (!make_parent(target)) return false;
    std::wstring dest = target;
    DWORD a = GetFileAttributesW(target.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) {
      if (a & FILE_ATTRIBUTE_DIRECTORY) {
        *err = text::kFolderInTheWay + (L"“" + target + L"”");
        return false;
      }
      dest = staging + L"\\" + std::to_wstring(i);
      staged.push_back(i);
    } else {
      tx.NotePlaced(target);
    }
    int64_t before = done;
    auto on_bytes = [&](int64_t n) {
      done += n;
      if (progress) progress(done, total);
    };
    std::string e;
    if (!pkg.Extract(i, dest, on_bytes, &e)) {
      *err = platform::Utf8ToWide(e);
      return false;
    }
    done = before + pkg.files()[i].size;
    if (progress) progress(done, total);
  }
  if (cancelled()) return false;
  for (size_t i : staged)
    if (!tx.PlaceFile(staging + L"\\" + std::to_wstring(i), plan.targets[i], err)) return false;
  for (const std::wstring& d : plan.dropped)
    if (FileExists(d) && !tx.RemoveFile(d, err)) return false;
  return true;
}

}  // namespace stub
