// Shows the main window as a user would have filled it, for the README's
// screenshot (see screenshot.sh): a few files and a folder in the entry list,
// the property values filled in and the editor open on the first item. Ends
// by itself after the number of seconds given as its argument (default 30).

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/dpi_scale.h"
#include "app/main_window.h"
#include "app/prop_list_view.h"
#include "app/startup.h"
#include "form/main_form.h"
#include "drop_files.h"

namespace {

void MakeFile(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  CloseHandle(h);
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  app::InitCommonControlsForApp();
  if (!app::MainWindow::Register(GetModuleHandleW(nullptr))) return 1;
  app::MainWindow* window = app::MainWindow::Create();
  if (!window) return 1;

  const std::wstring root = L"C:\\QrDemo";
  CreateDirectoryW(root.c_str(), nullptr);
  CreateDirectoryW((root + L"\\数据").c_str(), nullptr);
  const std::vector<std::wstring> paths = {root + L"\\QrApp.exe", root + L"\\说明.txt",
                                           root + L"\\数据"};
  MakeFile(paths[0]);
  MakeFile(paths[1]);
  SendMessageW(window->list(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(app_test::MakeDrop(paths)), 0);

  proplist::PropertyList& props = window->prop_list().model();
  props.SetPropValue(form::kPropAppName, "QrApp 演示版");
  props.SetPropValue(form::kPropSavePath, "C:\\QrDemo\\QrApp安装包.exe");
  ShowWindow(window->hwnd(), SW_SHOW);
  UpdateWindow(window->hwnd());
  // The editor open on the second item, as after a click on its row.
  const int at = app::dpi::Scale(50, window->dpi());
  SendMessageW(window->prop_list().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at, at));

  SetTimer(window->hwnd(), 1, static_cast<UINT>(seconds) * 1000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == window->hwnd()) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
