#include "app/save_question.h"

#include <commctrl.h>

#include "app/project_texts.h"
#include "platform/utf.h"
#include "package/messages.h"

namespace app {
namespace {

class TaskDialogQuestion : public SaveQuestion {
 public:
  SaveAnswer Ask(HWND owner, const std::wstring& text) override {
    const TASKDIALOG_BUTTON buttons[] = {{IDYES, project_text::kSave},
                                         {IDNO, project_text::kDiscard},
                                         {IDCANCEL, project_text::kCancel}};
    std::wstring title = platform::Utf8ToWide(package::msg::kTitle);
    TASKDIALOGCONFIG config = {};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.pszWindowTitle = title.c_str();
    config.pszMainIcon = TD_WARNING_ICON;
    config.pszContent = text.c_str();
    config.cButtons = 3;
    config.pButtons = buttons;
    config.nDefaultButton = IDYES;
    int pressed = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return SaveAnswer::kCancel;
    if (pressed == IDYES) return SaveAnswer::kSave;
    if (pressed == IDNO) return SaveAnswer::kDiscard;
    return SaveAnswer::kCancel;
  }
};

SaveQuestion* g_question = nullptr;

}  // namespace

SaveQuestion& CurrentSaveQuestion() {
  static TaskDialogQuestion task_dialog;
  return g_question ? *g_question : task_dialog;
}

void SetSaveQuestion(SaveQuestion* question) { g_question = question; }

}  // namespace app
