#include "app/project_commands.h"

#include <shellapi.h>

#include "app/project_texts.h"

namespace app {

HACCEL CreateProjectAccelerators() {
  ACCEL keys[] = {
      {FVIRTKEY | FCONTROL, 'N', kCmdNewProject},
      {FVIRTKEY | FCONTROL, 'O', kCmdOpenProject},
      {FVIRTKEY | FCONTROL, 'S', kCmdSaveProject},
      {FVIRTKEY | FCONTROL | FSHIFT, 'S', kCmdSaveProjectAs},
  };
  return CreateAcceleratorTableW(keys, static_cast<int>(sizeof(keys) / sizeof(keys[0])));
}

void AddProjectCommandsToSystemMenu(HWND window) {
  HMENU menu = GetSystemMenu(window, FALSE);
  if (!menu) return;
  const struct {
    UINT id;
    const wchar_t* text;
  } items[] = {{kCmdNewProject, project_text::kMenuNew},
               {kCmdOpenProject, project_text::kMenuOpen},
               {kCmdSaveProject, project_text::kMenuSave},
               {kCmdSaveProjectAs, project_text::kMenuSaveAs}};
  UINT position = 0;
  for (const auto& item : items)
    InsertMenuW(menu, position++, MF_BYPOSITION | MF_STRING, item.id, item.text);
  InsertMenuW(menu, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

std::wstring ProjectArgument(const wchar_t* command_line) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(command_line, &argc);
  if (!argv) return std::wstring();
  std::wstring path = argc > 1 ? argv[1] : L"";
  LocalFree(argv);
  return path;
}

}  // namespace app
