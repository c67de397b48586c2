// The main window's project commands: new, open, save and save as, the
// question before unsaved changes are lost, the title and the marks of rows
// whose file has gone.

#include "app/main_window.h"

#include <commctrl.h>

#include "app/project_commands.h"
#include "app/project_texts.h"
#include "app/prop_list_view.h"
#include "app/save_question.h"
#include "app/ui_seams.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "project/project_store.h"
#include "project/text_format.h"

namespace app {
namespace {

// The text colour of a row whose file or folder has gone.
constexpr COLORREF kMissingRowColor = RGB(192, 0, 0);

std::wstring ProjectFilter() {
  std::wstring filter = platform::Utf8ToWide(project_text::kFilterName);
  filter += L'\0';
  filter += platform::Utf8ToWide(project_text::kFilterPattern);
  filter += L'\0';
  return filter;
}

}  // namespace

void MainWindow::StartProjects() {
  document_ = std::make_unique<ProjectDocument>(&prop_list_->model(), &entries_);
  document_->MarkSaved("");
  caption_.assign(static_cast<size_t>(GetWindowTextLengthW(hwnd_)), L'\0');
  GetWindowTextW(hwnd_, caption_.data(), static_cast<int>(caption_.size()) + 1);
  AddProjectCommandsToSystemMenu(hwnd_);
  // The title follows every change of the values and the rows.
  proplist::PropertyList& model = prop_list_->model();
  model.OnRepaint = [this, draw = model.OnRepaint] {
    if (draw) draw();
    UpdateTitle();
  };
}

void MainWindow::UpdateTitle() {
  if (!document_ || document_->showing()) return;
  std::wstring title = platform::Utf8ToWide(document_->Title(platform::WideToUtf8(caption_)));
  wchar_t shown[512] = {};
  GetWindowTextW(hwnd_, shown, 512);
  if (title != shown) SetWindowTextW(hwnd_, title.c_str());
}

bool MainWindow::RunProjectCommand(UINT id) {
  switch (id) {
    case kCmdNewProject: NewProject(); return true;
    case kCmdOpenProject: OpenProjectCommand(); return true;
    case kCmdSaveProject: SaveProject(); return true;
    case kCmdSaveProjectAs: SaveProjectAs(); return true;
  }
  return false;
}

bool MainWindow::KeepChangesFirst(bool closing) {
  prop_list_->CommitOpenEdit();
  if (!document_->Modified()) return true;
  // The window without a project closes as designed, without a question.
  if (closing && !document_->HasFile()) return true;
  std::string text = project::FormatText(project_text::kAskSave, {document_->Name()});
  switch (CurrentSaveQuestion().Ask(hwnd_, platform::Utf8ToWide(text))) {
    case SaveAnswer::kSave: return SaveProject();
    case SaveAnswer::kDiscard: return true;
    case SaveAnswer::kCancel: return false;
  }
  return false;
}

void MainWindow::NewProject() {
  if (build_.IsMaking() || !KeepChangesFirst(false)) return;
  document_->Show(project::DefaultProject(platform::ProgramFolder()));
  document_->MarkSaved("");
  UpdateTitle();
  InvalidateRect(list_, nullptr, TRUE);
}

void MainWindow::OpenProjectCommand() {
  if (build_.IsMaking() || !KeepChangesFirst(false)) return;
  std::wstring path = CurrentUi().ShowOpenDialog(hwnd_, ProjectFilter());
  if (!path.empty()) LoadProjectFile(platform::WideToUtf8(path));
}

bool MainWindow::OpenProject(const std::wstring& path) {
  if (build_.IsMaking() || !KeepChangesFirst(false)) return false;
  return LoadProjectFile(platform::WideToUtf8(path));
}

bool MainWindow::LoadProjectFile(const std::string& path) {
  project::Project p;
  std::string message;
  if (!project::LoadProject(path, &p, &message)) {
    ShowMessage(message, Icon::kWarning);  // the window keeps what it had
    return false;
  }
  std::vector<std::string> missing = document_->Show(p);
  document_->MarkSaved(path);
  UpdateTitle();
  InvalidateRect(list_, nullptr, TRUE);
  if (!missing.empty()) {
    std::string text = project_text::kMissingEntries;
    for (const std::string& m : missing) text += "\n" + m;
    ShowMessage(text, Icon::kWarning);
  }
  return true;
}

bool MainWindow::SaveProject() {
  if (!document_->HasFile()) return SaveProjectAs();
  return WriteProject(document_->path());
}

bool MainWindow::SaveProjectAs() {
  prop_list_->CommitOpenEdit();
  std::wstring path = CurrentUi().ShowSaveDialog(hwnd_, ProjectFilter(),
                                                 platform::Utf8ToWide(project_text::kSaveTitle),
                                                 platform::Utf8ToWide(project::kExtension));
  if (path.empty()) return false;
  return WriteProject(platform::WideToUtf8(path));
}

bool MainWindow::WriteProject(const std::string& path) {
  prop_list_->CommitOpenEdit();
  std::string message;
  if (!project::SaveProject(path, document_->Current(), &message)) {
    ShowMessage(message, Icon::kWarning);
    return false;
  }
  document_->MarkSaved(path);
  UpdateTitle();
  return true;
}

LRESULT MainWindow::ListCustomDraw(NMLVCUSTOMDRAW* draw) {
  // Without marked rows the list draws as it always did.
  if (!document_ || !document_->AnyMarkedMissing()) return CDRF_DODEFAULT;
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
    const int32_t row = static_cast<int32_t>(draw->nmcd.dwItemSpec) + 1;
    if (row <= entries_.count() && document_->IsMarkedMissing(entries_.row(row).FullPath()))
      draw->clrText = kMissingRowColor;
  }
  return CDRF_DODEFAULT;
}

}  // namespace app
