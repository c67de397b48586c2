#include "stub_test_util.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "platform/utf.h"

namespace stubtest {

std::wstring Widen(const std::string& s) { return platform::Utf8ToWide(s); }

std::string Narrow(const std::wstring& w) { return platform::WideToUtf8(w); }

ScratchDir::ScratchDir(const std::wstring& tag) {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  std::wstring base = temp;
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  for (int i = 0;; ++i) {
    path_ = base + L"\\qrstubtest_" + tag + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(GetTickCount64() % 1000000) + L"_" + std::to_wstring(i);
    if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (i > 1000) throw std::runtime_error("no scratch folder");
  }
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return;
  if (!(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
    return;
  }
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring n = fd.cFileName;
      if (n != L"." && n != L"..") RemoveTree(path + L"\\" + n);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(path.c_str());
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  for (size_t i = 3; (i = path.find(L'\\', i)) != std::wstring::npos; ++i)
    CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write " + Narrow(path));
  DWORD n = 0;
  ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(h);
}

std::string ReadFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string out;
  char buf[65536];
  DWORD n = 0;
  while (::ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
  CloseHandle(h);
  return out;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> ListTree(const std::wstring& root) {
  std::vector<std::wstring> out;
  std::function<void(const std::wstring&)> walk = [&](const std::wstring& rel) {
    std::wstring dir = rel.empty() ? root : root + L"\\" + rel;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
      std::wstring n = fd.cFileName;
      if (n == L"." || n == L"..") continue;
      std::wstring r = rel.empty() ? n : rel + L"\\" + n;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) walk(r);
      else out.push_back(r);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  };
  walk(L"");
  std::sort(out.begin(), out.end());
  return out;
}

int RunProgram(const std::wstring& cmdline, unsigned timeout_ms) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = cmdline;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    // Said, so that a failure of the test names its cause.
    std::fprintf(stderr, "cannot start %s: error %lu\n", Narrow(cmdline).c_str(), GetLastError());
    return -1;
  }
  CloseHandle(pi.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, timeout_ms) == WAIT_OBJECT_0) {
    if (!GetExitCodeProcess(pi.hProcess, &code))
      std::fprintf(stderr, "no exit code of %s: error %lu\n", Narrow(cmdline).c_str(), GetLastError());
  } else {
    std::fprintf(stderr, "%s did not end within %u ms\n", Narrow(cmdline).c_str(), timeout_ms);
    TerminateProcess(pi.hProcess, 99);
  }
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

int RunProgramCapturing(const std::wstring& cmdline, std::string* output, unsigned timeout_ms) {
  output->clear();
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &sa, 0)) return -1;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write_end;
  si.hStdError = write_end;
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = cmdline;
  bool started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                &si, &pi);
  CloseHandle(write_end);
  if (!started) {
    std::fprintf(stderr, "cannot start %s: error %lu\n", Narrow(cmdline).c_str(), GetLastError());
    CloseHandle(read_end);
    return -1;
  }
  CloseHandle(pi.hThread);
  // The pipe ends when the program (and whatever inherited it) has ended.
  char buf[4096];
  DWORD n = 0;
  while (::ReadFile(read_end, buf, sizeof buf, &n, nullptr) && n > 0) output->append(buf, n);
  CloseHandle(read_end);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, timeout_ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  else TerminateProcess(pi.hProcess, 99);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    RemoveDirectoryW(link.c_str());
    return false;
  }
  // REPARSE_DATA_BUFFER of a mount point: tag, length, then the substitute
  // name ("\??\" + target) and the print name, each ending in a zero.
  std::wstring subst = L"\\??\\" + target;
  size_t subst_bytes = subst.size() * sizeof(wchar_t), print_bytes = target.size() * sizeof(wchar_t);
  size_t names = subst_bytes + sizeof(wchar_t) + print_bytes + sizeof(wchar_t);
  std::vector<BYTE> buf(16 + names, 0);
  auto put16 = [&](size_t at, size_t v) {
    buf[at] = static_cast<BYTE>(v & 0xFF);
    buf[at + 1] = static_cast<BYTE>(v >> 8);
  };
  DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  memcpy(buf.data(), &tag, 4);
  put16(4, 8 + names);
  put16(8, 0);
  put16(10, subst_bytes);
  put16(12, subst_bytes + sizeof(wchar_t));
  put16(14, print_bytes);
  memcpy(&buf[16], subst.c_str(), subst_bytes);
  memcpy(&buf[16 + subst_bytes + sizeof(wchar_t)], target.c_str(), print_bytes);
  DWORD n = 0;
  bool ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buf.data(), static_cast<DWORD>(buf.size()),
                            nullptr, 0, &n, nullptr);
  CloseHandle(h);
  if (!ok) RemoveDirectoryW(link.c_str());
  return ok;
}

std::string MakeData(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    // Runs of text-like bytes with some noise, so the codec finds references.
    s[i] = (i / 97) % 3 == 0 ? static_cast<char>(x >> 24) : static_cast<char>('a' + (i * 7 + seed) % 23);
  }
  return s;
}

}  // namespace stubtest
