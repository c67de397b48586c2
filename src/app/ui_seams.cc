#include "app/ui_seams.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

namespace app {
namespace {

// Text of a buffer up to its first NUL.
std::wstring UpToNul(const std::vector<wchar_t>& buf) {
  size_t n = 0;
  while (n < buf.size() && buf[n] != L'\0') ++n;
  return std::wstring(buf.data(), n);
}

class Win32Ui : public Ui {
 public:
  void Message(HWND owner, const std::wstring& text, const std::wstring& title,
               UINT icon) override {
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | icon);
  }

  std::wstring ShowOpenDialog(HWND owner, const std::wstring& filter) override {
    std::vector<wchar_t> file(260, L'\0');
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.hInstance = GetModuleHandleW(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags = OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&ofn)) return std::wstring();
    return UpToNul(file);
  }

  std::wstring BrowseForFolder(HWND owner, const std::wstring& prompt) override {
    PIDLIST_ABSOLUTE root = nullptr;
    SHGetSpecialFolderLocation(owner, CSIDL_DRIVES, &root);
    BROWSEINFOW bi = {};
    bi.hwndOwner = owner;
    bi.pidlRoot = root;
    bi.lpszTitle = prompt.c_str();
    bi.ulFlags = BIF_RETURNFSANCESTORS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&bi);
    std::vector<wchar_t> path(MAX_PATH, L'\0');
    if (chosen) {
      SHGetPathFromIDListW(chosen, path.data());
      CoTaskMemFree(chosen);
    }
    if (root) CoTaskMemFree(root);
    return UpToNul(path);
  }

  std::wstring ShowSaveDialog(HWND owner, const std::wstring& filter, const std::wstring& title,
                              const std::wstring& def_ext) override {
    // The file-name field starts out empty; the chosen path ends at its NUL.
    std::vector<wchar_t> file(260, L'\0');
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.hInstance = GetModuleHandleW(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_OVERWRITEPROMPT;
    // The dialog wants the extension without its dot.
    std::wstring ext = !def_ext.empty() && def_ext[0] == L'.' ? def_ext.substr(1) : def_ext;
    ofn.lpstrDefExt = ext.c_str();
    if (!GetSaveFileNameW(&ofn)) return std::wstring();
    return UpToNul(file);
  }

  UINT TrackPopup(HWND owner, HMENU menu, POINT at) override {
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y,
                                            0, owner, nullptr));
  }

  void ShowInExplorer(const std::wstring& path) override {
    std::wstring params = L"/select," + path;
    ShellExecuteW(nullptr, L"open", L"explorer.exe", params.c_str(), nullptr, SW_SHOWNORMAL);
  }

  INT_PTR RunDialog(HWND owner, const DLGTEMPLATE* dialog, DLGPROC proc, LPARAM param) override {
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog, owner, proc, param);
  }
};

Ui* g_ui = nullptr;

}  // namespace

Ui& RealUi() {
  static Win32Ui ui;
  return ui;
}

Ui& CurrentUi() { return g_ui ? *g_ui : RealUi(); }

void SetUi(Ui* ui) { g_ui = ui; }

}  // namespace app
