// QrMaker.exe: start-up and the message loop of the main window.

#include <windows.h>
#include <objbase.h>

#include "app/main_window.h"
#include "app/project_commands.h"
#include "app/startup.h"
#include "package/install_dat_check.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  if (!app::ClaimSingleInstance()) {
    app::BringRunningInstanceToFront(app::kMainWindowClass);
    return 0;
  }
  app::InitCommonControlsForApp();
  if (!app::CheckInstallDatAtStart(package::InstallDatPath())) return 1;
  // The folder chooser needs COM on this thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  if (!app::MainWindow::Register(instance)) return 1;
  app::MainWindow* window = app::MainWindow::Create();
  if (!window) return 1;
  ShowWindow(window->hwnd(), show);
  UpdateWindow(window->hwnd());
  // QrMaker.exe PROJECT.qrproj opens the project.
  std::wstring project = app::ProjectArgument(GetCommandLineW());
  if (!project.empty()) window->OpenProject(project);

  HWND hwnd = window->hwnd();
  HACCEL keys = app::CreateProjectAccelerators();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorW(hwnd, keys, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  DestroyAcceleratorTable(keys);
  CoUninitialize();
  return static_cast<int>(msg.wParam);
}
