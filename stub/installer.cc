#include "installer.h"

#include <windows.h>

#include "rel_path.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

// Undo log of one install: what was created, replaced and moved in, in order.
class Transaction {
 public:
  explicit Transaction(std::wstring folder) : folder_(std::move(folder)) {}

  // Creates dir and any missing folder above it, noting each one made. An
  // existing link or junction below the install folder is refused: it could
  // lead the files out of the install folder. (The install folder itself is
  // the user's choice.)
  bool MakeFolders(const std::wstring& dir, std::string* err) {
    if (FolderExists(dir)) {
      if (IsReparsePoint(dir) && IsWithin(folder_, dir) && dir.size() > folder_.size())
        return Refuse(dir, err);
      return true;
    }
    std::wstring parent = ParentOf(dir);
    if (!parent.empty() && parent != dir && !MakeFolders(parent, err)) return false;
    if (!CreateDirectoryW(dir.c_str(), nullptr)) {
      DWORD e = GetLastError();
      if (e != ERROR_ALREADY_EXISTS || !FolderExists(dir)) {
        *err = Win32Error("Cannot create folder", dir, e);
        return false;
      }
      return true;
    }
    created_.push_back(dir);
    return true;
  }

  // Moves the staged file to target; a file already there goes to backup.
  bool Place(const std::wstring& staged, const std::wstring& target, const std::wstring& backup,
             std::string* err) {
    DWORD a = GetFileAttributesW(target.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) {
      if (a & FILE_ATTRIBUTE_DIRECTORY) {
        *err = platform::WideToUtf8(L"\"" + target + L"\"") + " is a folder; a file of the package belongs there";
        return false;
      }
      if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(target.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
      if (!MoveFileExW(target.c_str(), backup.c_str(), 0)) {
        *err = Win32Error("Cannot replace", target, GetLastError());
        return false;
      }
      replaced_.push_back({target, backup});
    }
    if (!MoveFileExW(staged.c_str(), target.c_str(), 0)) {
      *err = Win32Error("Cannot write", target, GetLastError());
      return false;
    }
    placed_.push_back(target);
    return true;
  }

  // Puts everything back, newest first.
  void Rollback() {
    for (auto it = placed_.rbegin(); it != placed_.rend(); ++it) DeleteFileW(it->c_str());
    for (auto it = replaced_.rbegin(); it != replaced_.rend(); ++it)
      MoveFileExW(it->backup.c_str(), it->target.c_str(), MOVEFILE_REPLACE_EXISTING);
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) RemoveDirectoryW(it->c_str());
    placed_.clear();
    replaced_.clear();
    created_.clear();
  }

  // The install stands: the backups are no longer needed.
  void Commit() {
    for (auto& r : replaced_) DeleteFileW(r.backup.c_str());
    replaced_.clear();
  }

 private:
  static bool Refuse(const std::wstring& dir, std::string* err) {
    *err = platform::WideToUtf8(L"\"" + dir + L"\"") + " is a link or junction; refusing to install through it";
    return false;
  }

  struct Replaced {
    std::wstring target, backup;
  };
  std::wstring folder_;
  std::vector<std::wstring> created_;
  std::vector<Replaced> replaced_;
  std::vector<std::wstring> placed_;
};

// Removes the staging folder and whatever it still holds (flat: files only).
void RemoveStaging(const std::wstring& staging) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((staging + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW((staging + L"\\" + fd.cFileName).c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(staging.c_str());
}

// A fresh, hidden staging folder inside the install folder.
bool MakeStaging(const std::wstring& folder, std::wstring* staging, std::string* err) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = folder + L"\\~qrsetup" + std::to_wstring(GetCurrentProcessId()) +
                        L"_" + std::to_wstring(attempt) + L".tmp";
    if (CreateDirectoryW(name.c_str(), nullptr)) {
      SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_HIDDEN);
      *staging = name;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      *err = Win32Error("Cannot create a staging folder in", folder, GetLastError());
      return false;
    }
  }
  *err = platform::WideToUtf8(L"\"" + folder + L"\"") + ": no free name for a staging folder";
  return false;
}

}  // namespace

bool PlanTargets(const std::wstring& folder, const PackageSource& pkg,
                 std::vector<std::wstring>* targets, std::wstring* why) {
  targets->clear();
  std::wstring reason;
  for (const FileRecord& f : pkg.files()) {
    std::wstring full;
    if (!CheckRelPath(f.rel_path, &reason) || !JoinBelow(folder, f.rel_path, &full, &reason)) {
      *why = text::WithReason(L"\"" + f.rel_path + L"\"", reason);
      return false;
    }
    targets->push_back(std::move(full));
  }
  for (const OptionRecord& o : pkg.options()) {
    if (!CheckTopLevelName(o.name, &reason)) {
      *why = text::WithReason(L"\"" + o.name + L"\"", reason);
      return false;
    }
  }
  return true;
}

bool InstallFiles(PackageSource& pkg, const std::wstring& folder,
                  const std::vector<std::wstring>& targets, const InstallProgressFn& progress,
                  const std::atomic<bool>* cancel, std::string* err) {
  int64_t total = 0, done = 0;
  for (const FileRecord& f : pkg.files()) total += f.size;

  Transaction tx(folder);
  if (!tx.MakeFolders(folder, err)) return false;
  std::wstring staging;
  if (!MakeStaging(folder, &staging, err)) {
    tx.Rollback();
    return false;
  }
  auto fail = [&]() {
    RemoveStaging(staging);
    tx.Rollback();
    return false;
  };
  auto staged = [&](size_t i) { return staging + L"\\" + std::to_wstring(i); };

  // Decode everything first: a damaged stream is found before any file moves.
  for (size_t i = 0; i < pkg.files().size(); ++i) {
    if (cancel && cancel->load()) {
      *err = "Cancelled";
      return fail();
    }
    int64_t before = done;
    auto on_bytes = [&](int64_t n) {
      done += n;
      if (progress) progress(done, total);
    };
    if (!pkg.Extract(i, staged(i), on_bytes, err)) return fail();
    done = before + pkg.files()[i].size;
    if (progress) progress(done, total);
  }
  if (cancel && cancel->load()) {
    *err = "Cancelled";
    return fail();
  }
  for (size_t i = 0; i < targets.size(); ++i) {
    if (!tx.MakeFolders(ParentOf(targets[i]), err)) return fail();
    if (!tx.Place(staged(i), targets[i], staging + L"\\b" + std::to_wstring(i), err)) return fail();
  }
  tx.Commit();
  RemoveStaging(staging);
  return true;
}

}  // namespace stub
