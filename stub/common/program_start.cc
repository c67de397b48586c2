#include "program_start.h"

#include <windows.h>
#include <objbase.h>

#include "log_sink.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

// Takes the current folder out of LoadLibrary's search and makes System32
// the only folder searched for a DLL named without a path. The second step
// is looked up rather than imported: an import Windows 7 without its update
// KB2533623 lacks would keep the program from starting, where this way it
// says why it stops. kernel32 is always loaded, so the look-up itself
// searches no folder.
bool RestrictDllSearchToSystem32() {
  if (!SetDllDirectoryW(L"")) return false;
  using SetDefaultFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto set_default = reinterpret_cast<SetDefaultFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return set_default && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
}

}  // namespace

int Fail(bool silent, const std::wstring& message, int code) {
  if (silent) {
    Log().Write(text::kLogMessage, message);
    WriteStdErr(message);
  } else {
    ShowMessage(nullptr, message, text::kNotice, MB_OK | MB_ICONWARNING);
  }
  return code;
}

int ShowMessage(void* owner, const std::wstring& message, const wchar_t* caption, unsigned flags) {
  Log().Write(text::kLogMessage, message);
  int answer = MessageBoxW(static_cast<HWND>(owner), message.c_str(), caption, flags);
  if ((flags & MB_TYPEMASK) != MB_OK) {
    const wchar_t* said = answer == IDYES     ? L"是"
                          : answer == IDNO    ? L"否"
                          : answer == IDRETRY ? L"重试"
                                              : L"取消";
    Log().Write(text::kLogAnswer, said);
  }
  return answer;
}

bool ProgramStart::Begin(std::wstring* why) {
  if (!RestrictDllSearchToSystem32()) {
    *why = text::WithReason(text::kCannotRestrictDlls, SystemErrorText(GetLastError()));
    return false;
  }
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) {
    *why = text::WithReason(text::kCannotStartCom, SystemErrorText(static_cast<DWORD>(hr)));
    return false;
  }
  com_ = true;
  return true;
}

ProgramStart::~ProgramStart() {
  if (com_) CoUninitialize();
}

}  // namespace stub
