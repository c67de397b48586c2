#include "disk_space.h"

#include <windows.h>

#include <cwchar>

#include "stub_text.h"
#include "win_util.h"

namespace stub {

bool FreeBytesAt(const std::wstring& folder, uint64_t* free_bytes) {
  std::wstring at = folder;
  while (!at.empty() && !FolderExists(at)) {
    std::wstring parent = ParentOf(at);
    if (parent == at) break;
    at = parent;
  }
  ULARGE_INTEGER available;
  if (at.empty() || !GetDiskFreeSpaceExW(at.c_str(), &available, nullptr, nullptr)) return false;
  *free_bytes = available.QuadPart;
  return true;
}

std::wstring ReadableSize(uint64_t bytes) {
  static const wchar_t* const kUnits[] = {L"KB", L"MB", L"GB", L"TB"};
  double v = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (v >= 1024 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) {
    v /= 1024;
    ++unit;
  }
  wchar_t buf[32];
  swprintf(buf, 32, unit == 0 ? L"%.0f %ls" : L"%.1f %ls", v < 1 && bytes > 0 ? 1.0 : v,
           kUnits[unit]);
  return buf;
}

std::wstring DiskFullMessage(const std::wstring& folder, uint64_t needed, uint64_t free_bytes) {
  return text::kDiskFullPrefix + (L"“" + folder + L"”") + text::kDiskFullNeeds +
         ReadableSize(needed) + text::kDiskFullFree + ReadableSize(free_bytes) +
         text::kDiskFullSuffix;
}

bool IsDiskFullCode(unsigned long code) {
  return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL;
}

}  // namespace stub
