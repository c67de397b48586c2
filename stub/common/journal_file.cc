#include "journal_file.h"

#include "stub_text.h"
#include "win_util.h"

namespace stub {

JournalFile::~JournalFile() {
  for (Copy& c : copies_) CloseHandle(c.handle);
}

DWORD JournalFile::Open(const std::wstring& path, std::wstring* err) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, JournalSecurity(facts_), CREATE_NEW,
                         FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    *err = SystemError(text::kCannotWriteJournal, path, e);
    return e;
  }
  copies_.push_back({path, h});
  // An elevated run's recovery takes only a journal an elevated run
  // registered (journal_trust.h).
  DWORD e = ERROR_SUCCESS;
  if (facts_.Elevated() && !facts_.Register(path, h, &e)) {
    *err = SystemError(text::kCannotWriteJournal, path, e);
    CloseHandle(h);
    copies_.pop_back();
    DeleteFileW(path.c_str());
    return e == ERROR_SUCCESS ? ERROR_ACCESS_DENIED : e;
  }
  return ERROR_SUCCESS;
}

bool JournalFile::Create(const std::wstring& folder, std::wstring* stem, std::wstring* err) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = kRunNamePrefix + std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(attempt);
    std::wstring path = folder + L"\\" + name + kJournalSuffix;
    if (DWORD e = Open(path, err)) {
      if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    // Its staging folder must be free too.
    if (GetFileAttributesW((folder + L"\\" + name + kStagingSuffix).c_str()) !=
        INVALID_FILE_ATTRIBUTES) {
      CloseHandle(copies_.back().handle);
      copies_.pop_back();
      DeleteFileW(path.c_str());
      facts_.Unregister(path);
      continue;
    }
    name_ = name + kJournalSuffix;
    *stem = name;
    return true;
  }
  *err = SystemError(text::kCannotWriteJournal, folder, ERROR_FILE_EXISTS);
  return false;
}

bool JournalFile::AddCopy(const std::wstring& folder, std::wstring* err) {
  return Open(folder + L"\\" + name_, err) == ERROR_SUCCESS;
}

bool JournalFile::Append(std::string_view text, std::wstring* err) {
  for (const Copy& c : copies_) {
    DWORD n = 0;
    if (!WriteFile(c.handle, text.data(), static_cast<DWORD>(text.size()), &n, nullptr) ||
        n != text.size() || !FlushFileBuffers(c.handle)) {
      *err = SystemError(text::kCannotWriteJournal, c.path, GetLastError());
      return false;
    }
  }
  AfterRunStep();
  return true;
}

bool JournalFile::Remove(std::wstring* err) {
  bool ok = true;
  for (const Copy& c : copies_) {
    CloseHandle(c.handle);
    DWORD e = DeleteFileW(c.path.c_str()) ? ERROR_SUCCESS : GetLastError();
    if (e == ERROR_SUCCESS || e == ERROR_FILE_NOT_FOUND) {
      facts_.Unregister(c.path);
      continue;
    }
    if (ok) *err = SystemError(text::kCannotRemove, c.path, e);
    ok = false;
  }
  copies_.clear();
  return ok;
}

}  // namespace stub
