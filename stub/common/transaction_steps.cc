#include "transaction_steps.h"

#include <windows.h>

#include <set>

#include "stub_text.h"
#include "win_util.h"
#include "worker_thread.h"

namespace stub {
namespace {

using Kind = JournalRecord::Kind;

// From this many backups on, a commit deletes them on two threads.
constexpr size_t kBackupsForTwoThreads = 64;

bool WriteWholeFile(const std::wstring& path, const std::string& bytes, DWORD* error) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  DWORD n = 0;
  bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr) &&
            n == bytes.size();
  *error = ok ? 0 : GetLastError();
  CloseHandle(h);
  return ok;
}

// Puts a file moved aside back; false (with a problem) when it cannot.
bool MoveBack(const JournalRecord& r, Problems* problems) {
  if (GetFileAttributesW(r.backup.c_str()) == INVALID_FILE_ATTRIBUTES) return true;  // never moved
  // Whatever took its place (the new file, or part of it) gives way.
  DWORD e = DeleteAnyFile(r.path);
  if (e == 0 && MoveFileExW(r.backup.c_str(), r.path.c_str(), 0)) return true;
  if (e == 0) e = GetLastError();
  problems->push_back(SystemError(text::kCannotRestoreFile, r.path, e) + text::kBackupKeptAt +
                      L"“" + r.backup + L"”");
  return false;
}

void UndoSmallFile(const JournalRecord& r, Problems* problems) {
  DWORD e = 0;
  bool exists = false;
  std::string now;
  // Left as it was (its change failed): nothing to write.
  if (r.flag && ReadSmallFile(r.path, &exists, &now) == 0 && exists && now == r.bytes) return;
  if (r.flag) {
    if (!WriteWholeFile(r.path, r.bytes, &e)) problems->push_back(SystemError(text::kCannotRestoreFile, r.path, e));
  } else if ((e = DeleteAnyFile(r.path)) != 0) {
    problems->push_back(SystemError(text::kCannotRemove, r.path, e));
  }
}

}  // namespace

unsigned long ReadSmallFile(const std::wstring& path, bool* existed, std::string* bytes) {
  *existed = false;
  bytes->clear();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? 0 : e;
  }
  *existed = true;
  char buf[16384];
  DWORD n = 0, e = 0;
  while (true) {
    if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) {
      e = GetLastError();
      break;
    }
    if (n == 0) break;
    if (bytes->size() + n > kMaxSmallFileBytes) {
      e = ERROR_FILE_TOO_LARGE;
      break;
    }
    bytes->append(buf, n);
  }
  CloseHandle(h);
  return e;
}

unsigned long DeleteAnyFile(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return 0;
  DWORD e = GetLastError();
  if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return 0;
  DWORD a = GetFileAttributesW(path.c_str());
  if (e != ERROR_ACCESS_DENIED || a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_READONLY))
    return e;
  SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
  if (DeleteFileW(path.c_str())) return 0;
  e = GetLastError();
  SetFileAttributesW(path.c_str(), a);
  return e;
}

bool RemoveStagingFolder(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName, path = dir + L"\\" + name;
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteAnyFile(path);
      else if (name != L"." && name != L".." && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveStagingFolder(path);  // a folder of backups
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  return RemoveDirectoryW(dir.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
         GetLastError() == ERROR_PATH_NOT_FOUND;
}

void UndoSteps(const std::vector<JournalRecord>& records, Problems* problems) {
  std::set<std::wstring> kept;  // staging folders that still hold a backup
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    const JournalRecord& r = *it;
    switch (r.kind) {
      case Kind::kPlaced:
        if (DWORD e = DeleteAnyFile(r.path)) problems->push_back(SystemError(text::kCannotRemove, r.path, e));
        break;
      case Kind::kMoved:
        if (!MoveBack(r, problems)) kept.insert(NoCaseKey(ParentOf(ParentOf(r.backup))));
        break;
      case Kind::kSmallFile: UndoSmallFile(r, problems); break;
      case Kind::kKey:
        if (!RestoreKey(r.key)) problems->push_back(text::kCannotRestoreEntry + r.key.key);
        break;
      default: break;
    }
  }
  for (const JournalRecord& r : records)
    if (r.kind == Kind::kStaging && !kept.count(NoCaseKey(r.path)) && !RemoveStagingFolder(r.path))
      problems->push_back(SystemError(text::kCannotRemoveLeftover, r.path, GetLastError()));
}

void CompleteSteps(const std::vector<JournalRecord>& records, Problems* problems) {
  std::vector<const std::wstring*> backups;
  for (const JournalRecord& r : records)
    if (r.kind == Kind::kMoved) backups.push_back(&r.backup);
  // Every other backup on a second thread: most of a delete's time is the
  // wait for the system, which the two threads share.
  auto remove = [&](size_t first, Problems* out) {
    for (size_t i = first; i < backups.size(); i += 2)
      if (DWORD e = DeleteAnyFile(*backups[i]))
        out->push_back(SystemError(text::kCannotRemoveLeftover, *backups[i], e));
  };
  Problems second;
  WorkerThread helper;
  if (backups.size() >= kBackupsForTwoThreads) helper.Start([&] { remove(1, &second); });
  else remove(1, problems);
  remove(0, problems);
  helper.Join();
  problems->insert(problems->end(), second.begin(), second.end());
  for (const JournalRecord& r : records)
    if (r.kind == Kind::kStaging && !RemoveStagingFolder(r.path))
      problems->push_back(SystemError(text::kCannotRemoveLeftover, r.path, GetLastError()));
}

void RemoveMadeFolders(const std::vector<JournalRecord>& records) {
  for (auto it = records.rbegin(); it != records.rend(); ++it)
    if (it->kind == Kind::kFolder) RemoveDirectoryW(it->path.c_str());
}

bool NoLinkOnTheWay(const std::wstring& folder, const std::wstring& path) {
  for (std::wstring p = ParentOf(path); p.size() > folder.size(); p = ParentOf(p))
    if (IsReparsePoint(p)) return false;
  return true;
}

std::wstring JoinProblems(const Problems& problems) {
  std::wstring all;
  for (const std::wstring& p : problems) all += (all.empty() ? L"" : L"\r\n") + p;
  return all;
}

}  // namespace stub
