#include "install_transaction.h"

#include <windows.h>

#include "rel_path.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

bool ReadSmallFile(const std::wstring& path, std::string* bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buf[16384];
  DWORD n = 0;
  bool ok = true;
  while ((ok = ReadFile(h, buf, sizeof buf, &n, nullptr)) && n > 0) bytes->append(buf, n);
  CloseHandle(h);
  return ok;
}

void WriteSmallFile(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD n = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
}

}  // namespace

void RemoveStagingFolder(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::wstring f = dir + L"\\" + fd.cFileName;
        SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(f.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

InstallTransaction::InstallTransaction(std::wstring folder) : folder_(std::move(folder)) {
  roots_.push_back(folder_);
  staging_.emplace_back();
}

InstallTransaction::~InstallTransaction() {
  if (!done_) Rollback();
}

void InstallTransaction::AddRoot(const std::wstring& folder) {
  roots_.push_back(folder);
  staging_.emplace_back();
}

bool InstallTransaction::StagingIn(const std::wstring& root, std::wstring* dir, std::wstring* err) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = root + L"\\~qrsetup" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(attempt) + L".tmp";
    if (CreateDirectoryW(name.c_str(), nullptr)) {
      SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_HIDDEN);
      log_.push_back({Action::kStaging, name});
      *dir = name;
      return true;
    }
    DWORD e = GetLastError();
    if (e != ERROR_ALREADY_EXISTS) {
      *err = SystemError(text::kCannotMakeStaging, root, e);
      return false;
    }
  }
  *err = SystemError(text::kCannotMakeStaging, root, ERROR_ALREADY_EXISTS);
  return false;
}

bool InstallTransaction::Staging(std::wstring* dir, std::wstring* err) {
  if (staging_[0].empty() && !StagingIn(folder_, &staging_[0], err)) return false;
  *dir = staging_[0];
  return true;
}

bool InstallTransaction::BackupFor(const std::wstring& target, std::wstring* backup,
                                   std::wstring* err) {
  for (size_t i = 0; i < roots_.size(); ++i) {
    if (!IsWithin(roots_[i], target)) continue;
    if (staging_[i].empty() && !StagingIn(roots_[i], &staging_[i], err)) return false;
    *backup = staging_[i] + L"\\b" + std::to_wstring(++backups_);
    return true;
  }
  // Not below any root: the backup waits beside the file.
  *backup = target + L".~qrbak" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++backups_);
  return true;
}

bool InstallTransaction::MakeFolders(const std::wstring& dir, std::wstring* err) {
  if (FolderExists(dir)) {
    if (dir.size() > folder_.size() && IsWithin(folder_, dir) && IsReparsePoint(dir)) {
      *err = text::kLinkInFolder + (L"“" + dir + L"”");
      return false;
    }
    return true;
  }
  std::wstring parent = ParentOf(dir);
  if (!parent.empty() && parent != dir && !MakeFolders(parent, err)) return false;
  if (!CreateDirectoryW(dir.c_str(), nullptr)) {
    DWORD e = GetLastError();
    if (e != ERROR_ALREADY_EXISTS || !FolderExists(dir)) {
      *err = SystemError(text::kCannotMakeFolder, dir, e);
      return false;
    }
    return true;
  }
  created_.push_back(dir);
  log_.push_back({Action::kFolder, dir});
  return true;
}

void InstallTransaction::NotePlaced(const std::wstring& target) {
  log_.push_back({Action::kPlaced, target});
}

bool InstallTransaction::PlaceFile(const std::wstring& staged, const std::wstring& target,
                                   std::wstring* err) {
  DWORD a = GetFileAttributesW(target.c_str());
  if (a != INVALID_FILE_ATTRIBUTES) {
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
      *err = text::kFolderInTheWay + (L"“" + target + L"”");
      return false;
    }
    if (!RemoveFile(target, err)) return false;
  }
  if (!MoveFileExW(staged.c_str(), target.c_str(), 0)) {
    *err = SystemError(text::kCannotWriteFile, target, GetLastError());
    return false;
  }
  log_.push_back({Action::kPlaced, target});
  return true;
}

bool InstallTransaction::RemoveFile(const std::wstring& target, std::wstring* err,
                                    std::wstring_view lead) {
  std::wstring backup;
  if (!BackupFor(target, &backup, err)) return false;
  DWORD a = GetFileAttributesW(target.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(target.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
  if (!MoveFileExW(target.c_str(), backup.c_str(), 0)) {
    DWORD e = GetLastError();
    if (a != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(target.c_str(), a);
    *err = SystemError(lead, target, e);
    return false;
  }
  Action act{Action::kRemoved, target, backup};
  act.read_only = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
  log_.push_back(std::move(act));
  return true;
}

void InstallTransaction::KeepForUndo(const std::wstring& path) {
  Action act{Action::kSmallFile, path};
  act.existed = FileExists(path) && ReadSmallFile(path, &act.bytes);
  log_.push_back(std::move(act));
}

bool InstallTransaction::DeleteSmallFile(const std::wstring& path) {
  KeepForUndo(path);
  return DeleteFileW(path.c_str()) || !FileExists(path);
}

void InstallTransaction::NoteKey(const KeySnapshot& snapshot) {
  Action act{Action::kKey, L""};
  act.key = snapshot;
  log_.push_back(std::move(act));
}

void InstallTransaction::Rollback() {
  for (auto it = log_.rbegin(); it != log_.rend(); ++it) {
    const Action& a = *it;
    switch (a.kind) {
      case Action::kFolder: RemoveDirectoryW(a.path.c_str()); break;
      case Action::kStaging: RemoveStagingFolder(a.path); break;
      case Action::kPlaced: DeleteFileW(a.path.c_str()); break;
      case Action::kRemoved:
        MoveFileExW(a.backup.c_str(), a.path.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (a.read_only) {
          DWORD attr = GetFileAttributesW(a.path.c_str());
          if (attr != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(a.path.c_str(), attr | FILE_ATTRIBUTE_READONLY);
        }
        break;
      case Action::kSmallFile:
        if (a.existed) WriteSmallFile(a.path, a.bytes);
        else DeleteFileW(a.path.c_str());
        break;
      case Action::kKey: RestoreKey(a.key); break;
    }
  }
  log_.clear();
  created_.clear();
  done_ = true;
}

void InstallTransaction::Commit() {
  for (const Action& a : log_) {
    if (a.kind == Action::kRemoved) {
      SetFileAttributesW(a.backup.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(a.backup.c_str());
    }
  }
  for (const Action& a : log_)
    if (a.kind == Action::kStaging) RemoveStagingFolder(a.path);
  log_.clear();
  done_ = true;
}

}  // namespace stub
