#include "log_sink.h"

#include <windows.h>

#include "random_name.h"
#include "rel_path.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

// What waits in memory before the log is opened: the start of a run says
// little; beyond this it is dropped.
constexpr size_t kMaxPendingBytes = 64 * 1024;
// Random bytes in a new log's name (64 bits, as 16 hexadecimal digits).
constexpr size_t kRandomBytes = 8;

void AppendNumber(std::wstring* s, unsigned value, int digits) {
  wchar_t buf[8];
  for (int i = digits - 1; i >= 0; --i, value /= 10)
    buf[i] = static_cast<wchar_t>(L'0' + value % 10);
  s->append(buf, digits);
}

// "YYYY-MM-DD HH:MM:SS" (with separators) or "YYYYMMDD-HHMMSS" (without).
std::wstring TimeText(const SYSTEMTIME& t, bool separators) {
  std::wstring s;
  AppendNumber(&s, t.wYear, 4);
  if (separators) s += L'-';
  AppendNumber(&s, t.wMonth, 2);
  if (separators) s += L'-';
  AppendNumber(&s, t.wDay, 2);
  s += separators ? L' ' : L'-';
  AppendNumber(&s, t.wHour, 2);
  if (separators) s += L':';
  AppendNumber(&s, t.wMinute, 2);
  if (separators) s += L':';
  AppendNumber(&s, t.wSecond, 2);
  return s;
}

std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), n, full.data(), nullptr));
  return full;
}

}  // namespace

unsigned long LogSink::Open(const std::wstring& path, unsigned long disposition, bool append) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  AcquireSRWLockExclusive(&lock_);
  file_ = h;
  path_ = path;
  std::string head = append ? std::string() : std::string("\xEF\xBB\xBF");
  head += pending_;
  pending_.clear();
  bool ok = head.empty() || Put(head);
  ReleaseSRWLockExclusive(&lock_);
  return ok ? 0 : ERROR_WRITE_FAULT;
}

unsigned long LogSink::Create(const std::wstring& path) { return Open(path, CREATE_ALWAYS, false); }

unsigned long LogSink::CreateNew(const std::wstring& folder, const std::wstring& stem,
                                 const std::wstring& random) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return Open(folder + L"\\" + stem + L"_" + TimeText(now, false) + L"_" + random + L".log",
              CREATE_NEW, false);
}

unsigned long LogSink::Continue(const std::wstring& path) {
  return Open(path, OPEN_EXISTING, true);
}

bool LogSink::Put(const std::string& bytes) {
  // At the end: a run this one started may have written meanwhile.
  SetFilePointer(file_, 0, nullptr, FILE_END);
  DWORD written = 0;
  if (WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size())
    return true;
  // A log that fails is given up; the run does not depend on it.
  CloseHandle(file_);
  file_ = nullptr;
  given_up_ = true;
  return false;
}

void LogSink::Write(std::wstring_view text) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::wstring line = TimeText(now, true) + L' ';
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\r' && text[i] != L'\n') line += text[i];
    else if (line.back() != L' ') line += L' ';
  }
  while (line.back() == L' ') line.pop_back();
  std::string bytes = platform::WideToUtf8(line) + "\r\n";
  AcquireSRWLockExclusive(&lock_);
  if (file_) Put(bytes);
  else if (!given_up_ && pending_.size() + bytes.size() <= kMaxPendingBytes) pending_ += bytes;
  ReleaseSRWLockExclusive(&lock_);
}

void LogSink::Write(std::wstring_view lead, std::wstring_view detail) {
  Write(std::wstring(lead) + std::wstring(detail));
}

void LogSink::Close() {
  AcquireSRWLockExclusive(&lock_);
  if (file_) CloseHandle(file_);
  file_ = nullptr;
  given_up_ = true;
  pending_.clear();
  ReleaseSRWLockExclusive(&lock_);
}

// At namespace scope: a function-local static would need a thread-safe
// guard, which brings the exception runtime and winpthread into the programs.
namespace {
LogSink process_log;
}  // namespace

LogSink& Log() { return process_log; }

bool OpenRequestedLog(const StubArgs& args, const std::wstring& product, std::wstring* why) {
  if (!args.log) return true;
  LogSink& log = Log();
  unsigned long error = 0;
  std::wstring where;
  if (args.log_continues) {
    where = args.log_path;
    error = log.Continue(where);
  } else if (!args.log_path.empty()) {
    where = FullPath(args.log_path);
    error = log.Create(where);
  } else {
    std::wstring random;
    where = UserTempFolder();
    if (where.empty() || !RandomHex(kRandomBytes, &random)) error = ERROR_PATH_NOT_FOUND;
    else error = log.CreateNew(where, SafeFileName(product), random);
  }
  if (error == 0) return true;
  log.Close();
  *why = SystemError(text::kCannotWriteLog, where, error) + text::kGoingOnWithoutLog;
  return false;
}

int LogExit(int code) {
  Log().Write(text::kLogExitCode, std::to_wstring(code));
  Log().Close();
  return code;
}

}  // namespace stub
