// The entry list in the main window: adding through the choosers and by
// dropping, the refusals, removing by command and by the Delete key, the
// file manager call, the popup menu's contents and the option rule.

#include <shlobj.h>

#include "app/popup_menu.h"
#include "window_fixture.h"

namespace app_test {
namespace {

using Id = entries::MenuItemId;
UINT Cmd(Id id) { return app::MenuCommand(id); }

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }

using EntryListTest = WindowTest;

TEST_F(EntryListTest, AddFileAppendsARowAndRefusesDuplicatesIgnoringCase) {
  ScratchDir dir;
  std::wstring file = dir.File(L"Setup.txt");
  AddFileRow(file);
  ASSERT_EQ(RowCount(), 1);
  EXPECT_EQ(Cell(0, 0), L"Setup.txt");
  EXPECT_EQ(Cell(0, 1), FolderOf(file));
  EXPECT_EQ(Cell(0, 2), L"0");
  ASSERT_EQ(ui_.open_filters.size(), 1u);
  EXPECT_EQ(ui_.open_filters[0], std::wstring(L"所有文件(*.*)\0*.*\0", 14));
  EXPECT_TRUE(ui_.messages.empty());

  std::wstring upper = file;
  CharUpperW(upper.data());
  AddFileRow(upper);
  EXPECT_EQ(RowCount(), 1);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"该文件已经被添加到列表中！");
  EXPECT_EQ(ui_.messages[0].title, L"提示");
  EXPECT_EQ(ui_.messages[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));

  // A cancelled chooser changes nothing and says nothing.
  AddFileRow(L"");
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(ui_.messages.size(), 1u);
}

TEST_F(EntryListTest, AddDirAppendsAFolderRowAndRefusesRootsAndDuplicates) {
  ScratchDir dir;
  std::wstring folder = dir.Dir(L"Setup Files");
  AddDirRow(folder);
  ASSERT_EQ(RowCount(), 1);
  EXPECT_EQ(Cell(0, 0), L"Setup Files");
  EXPECT_EQ(Cell(0, 1), FolderOf(folder));
  EXPECT_EQ(Cell(0, 2), L"64");
  ASSERT_EQ(ui_.folder_prompts.size(), 1u);
  EXPECT_EQ(ui_.folder_prompts[0], L"选择一个文件夹，然后单击“确定”");

  AddDirRow(folder);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"该目录已经被添加到列表中！");

  AddDirRow(L"C:\\");
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[1].text, L"根目录不能添加到列表中，请重新选择！");
  EXPECT_EQ(RowCount(), 1);

  // A file inside a listed folder is a row of its own.
  AddFileRow(dir.File(L"Setup Files\\a.txt"));
  EXPECT_EQ(RowCount(), 2);
}

TEST_F(EntryListTest, DroppedFilesAndFoldersAreAddedLikeTheChoosersWould) {
  ScratchDir dir;
  std::wstring file = dir.File(L"app.exe");
  std::wstring folder = dir.Dir(L"data");
  SendMessageW(list(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({file, folder})), 0);
  Pump();
  ASSERT_EQ(RowCount(), 2);
  EXPECT_EQ(Cell(0, 0), L"app.exe");
  EXPECT_EQ(Cell(0, 2), L"0");
  EXPECT_EQ(Cell(1, 0), L"data");
  EXPECT_EQ(Cell(1, 2), L"64");
  EXPECT_TRUE(ui_.messages.empty());

  // Dropping them again gives the two refusals, one after the other.
  SendMessageW(list(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({file, folder})), 0);
  Pump();
  EXPECT_EQ(RowCount(), 2);
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0].text, L"该文件已经被添加到列表中！");
  EXPECT_EQ(ui_.messages[1].text, L"该目录已经被添加到列表中！");
}

TEST_F(EntryListTest, DeleteKeyAndDelFileRemoveTheSelectedRow) {
  ScratchDir dir;
  AddFileRow(dir.File(L"1.txt"));
  AddFileRow(dir.File(L"2.txt"));
  AddFileRow(dir.File(L"3.txt"));
  // No selection: nothing happens.
  SelectRow(-1);
  SendMessageW(list(), WM_KEYUP, VK_DELETE, 0);
  EXPECT_EQ(RowCount(), 3);

  SelectRow(1);
  SendMessageW(list(), WM_KEYUP, 'A', 0);
  EXPECT_EQ(RowCount(), 3);
  SendMessageW(list(), WM_KEYDOWN, VK_DELETE, 0);
  SendMessageW(list(), WM_KEYUP, VK_DELETE, 0);
  Pump();
  ASSERT_EQ(RowCount(), 2);
  EXPECT_EQ(Cell(1, 0), L"3.txt");
  EXPECT_EQ(window_->entries().count(), 2);

  SelectRow(0);
  RightClick(Cmd(Id::DelFile));
  ASSERT_EQ(RowCount(), 1);
  EXPECT_EQ(Cell(0, 0), L"3.txt");
}

TEST_F(EntryListTest, OpenDirShowsTheRowInTheFileManager) {
  ScratchDir dir;
  std::wstring folder = dir.Dir(L"Setup Files");
  AddDirRow(folder);
  SelectRow(0);
  RightClick(Cmd(Id::OpenDir));
  ASSERT_EQ(ui_.explorer_paths.size(), 1u);
  EXPECT_EQ(ui_.explorer_paths[0], folder);
}

TEST_F(EntryListTest, PopupShowsTwoItemsWithoutASelection) {
  RightClick();
  ASSERT_EQ(ui_.popups.size(), 1u);
  const auto& items = ui_.popups[0];
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].caption, L"添加文件到列表");
  EXPECT_EQ(items[1].caption, L"添加目录到列表");
}

TEST_F(EntryListTest, PopupShowsEveryItemAndTheRowsCheckMarks) {
  ScratchDir dir;
  AddFileRow(dir.File(L"a.exe"));
  SelectRow(0);
  RightClick(Cmd(Id::AddDesktopcut));
  RightClick(Cmd(Id::AddToPrograms));
  EXPECT_EQ(Cell(0, 2), L"20");
  ui_.popups.clear();
  RightClick();
  ASSERT_EQ(ui_.popups.size(), 1u);
  const auto& items = ui_.popups[0];
  const wchar_t* captions[] = {L"添加文件到列表", L"添加目录到列表", L"", L"从列表中删除",
                               L"", L"打开所在文件夹", L"", L"添加到快速启动栏",
                               L"添加到桌面快捷", L"运行该程序", L"添加到开机启动项",
                               L"添加到程序组", L"设置为控制面板图标"};
  ASSERT_EQ(items.size(), 13u);
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].caption, captions[i]) << "item " << i;
    EXPECT_EQ(items[i].separator, i == 2 || i == 4 || i == 6) << "item " << i;
    bool checked = i == 8 || i == 11;  // desktop (4) and program group (16)
    EXPECT_EQ(items[i].checked, checked) << "item " << i;
  }
}

TEST_F(EntryListTest, AnOptionBelongsToOneRowAtMost) {
  ScratchDir dir;
  AddFileRow(dir.File(L"1.exe"));
  AddFileRow(dir.File(L"2.exe"));
  AddFileRow(dir.File(L"3.exe"));
  SelectRow(1);
  RightClick(Cmd(Id::RunApp));
  SelectRow(2);
  RightClick(Cmd(Id::RunApp));
  EXPECT_EQ(Cell(0, 2), L"0");
  EXPECT_EQ(Cell(1, 2), L"0");
  EXPECT_EQ(Cell(2, 2), L"1");
  // Switching it off again leaves no row with it.
  RightClick(Cmd(Id::RunApp));
  EXPECT_EQ(Cell(2, 2), L"0");
  // One row may carry all six.
  for (Id id : {Id::RunApp, Id::AddQuickLaunch, Id::AddDesktopcut, Id::AddToAutoRun,
                Id::AddToPrograms, Id::SetCtrlPanelIcon}) {
    RightClick(Cmd(id));
  }
  EXPECT_EQ(Cell(2, 2), L"63");
}

TEST_F(EntryListTest, FolderRowsTakeNoOption) {
  ScratchDir dir;
  AddDirRow(dir.Dir(L"sub"));
  AddFileRow(dir.File(L"run.exe"));
  SelectRow(1);
  RightClick(Cmd(Id::RunApp));
  SelectRow(0);
  RightClick(Cmd(Id::RunApp));
  EXPECT_EQ(Cell(0, 2), L"64");
  EXPECT_EQ(Cell(1, 2), L"1");
  // The folder row's menu shows the six items, none checked.
  ui_.popups.clear();
  RightClick();
  ASSERT_EQ(ui_.popups.size(), 1u);
  for (const auto& item : ui_.popups[0]) EXPECT_FALSE(item.checked) << item.caption.c_str();
}

TEST_F(EntryListTest, RightButtonReleaseOverARowOpensItsMenuAndLeftNever) {
  ScratchDir dir;
  AddFileRow(dir.File(L"a.exe"));
  ui_.popups.clear();
  RECT row = {};
  row.left = LVIR_BOUNDS;
  SendMessageW(list(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  LPARAM at = MAKELPARAM(row.left + 20, (row.top + row.bottom) / 2);
  // A left click selects the row but opens no menu.
  PostMessageW(list(), WM_LBUTTONUP, 0, at);
  SendMessageW(list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  Pump();
  EXPECT_TRUE(ui_.popups.empty());
  EXPECT_EQ(window_->entries().selected(), 1);
  // The list reports the right button's release; the menu shows the row's items.
  PostMessageW(list(), WM_RBUTTONUP, 0, at);
  SendMessageW(list(), WM_RBUTTONDOWN, MK_RBUTTON, at);
  Pump();
  ASSERT_EQ(ui_.popups.size(), 1u);
  EXPECT_EQ(ui_.popups[0].size(), 13u);
}

TEST_F(EntryListTest, FlagsColumnIsNeverVisible) {
  EXPECT_EQ(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 2, 0), 0);
}

// The header divider at the end of "路径" is also where the hidden column
// starts: no drag there, and no double click, opens it.
TEST_F(EntryListTest, TheFlagsColumnStaysHiddenWhateverIsDoneToTheHeader) {
  HWND header = reinterpret_cast<HWND>(SendMessageW(list(), LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  const int name_width = static_cast<int>(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 0, 0));
  const int path_width = static_cast<int>(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 1, 0));
  const int end_of_path = name_width + path_width;
  auto drag = [&](int from_x, int to_x) {
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from_x, 5));
    SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to_x, 5));
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(to_x, 5));
    Pump();
  };
  for (int x = end_of_path - 8; x <= end_of_path + 8; ++x) {
    drag(x, x + 60);
    EXPECT_EQ(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 2, 0), 0) << "drag from x " << x;
    SendMessageW(header, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, 5));
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(x, 5));
    Pump();
    EXPECT_EQ(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 2, 0), 0) << "double click at x " << x;
    SendMessageW(list(), LVM_SETCOLUMNWIDTH, 1, path_width);
  }
  // "路径" itself can still be made wider from its divider.
  drag(end_of_path - 3, end_of_path + 40);
  EXPECT_EQ(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 1, 0), path_width + 43);
  EXPECT_EQ(SendMessageW(list(), LVM_GETCOLUMNWIDTH, 2, 0), 0);
}

// Delete removes the selected row and selects the next one (or the new
// last), so rows go one after the other with repeated Delete.
TEST_F(EntryListTest, RepeatedDeleteRemovesRowAfterRow) {
  ScratchDir dir;
  for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt", L"4.txt"}) AddFileRow(dir.File(name));
  SelectRow(1);
  SetFocus(list());
  auto selected = [this] {
    return static_cast<int>(
        SendMessageW(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  };
  Key(list(), VK_DELETE);
  ASSERT_EQ(RowCount(), 3);
  EXPECT_EQ(Cell(1, 0), L"3.txt");
  EXPECT_EQ(selected(), 1);
  Key(list(), VK_DELETE);
  Key(list(), VK_DELETE);  // 4.txt was the last: 1.txt, above it, is selected
  ASSERT_EQ(RowCount(), 1);
  EXPECT_EQ(Cell(0, 0), L"1.txt");
  EXPECT_EQ(selected(), 0);
  EXPECT_EQ(window_->entries().selected(), 1);
  // The keyboard's place in the list is the selected row.
  EXPECT_EQ(SendMessageW(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 0);
  // The menu's command does the same.
  RightClick(Cmd(Id::DelFile));
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(window_->entries().selected(), 0);
}

}  // namespace
}  // namespace app_test

namespace app_test {
namespace {

// The selected row (0-based), or -1.
int SelectedRow(HWND list) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// Whether the whole of row `row` lies inside the list's client area.
bool RowInView(HWND list, int row) {
  RECT item = {};
  item.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
  RECT client;
  GetClientRect(list, &client);
  return item.top >= 0 && item.bottom <= client.bottom;
}

using NewRowTest = WindowTest;

TEST_F(NewRowTest, ARowJustAddedIsSelectedAndScrolledIntoView) {
  ScratchDir dir;
  std::vector<std::wstring> paths;
  for (int k = 0; k < 30; ++k) paths.push_back(dir.File(L"f" + std::to_wstring(k) + L".txt"));
  // A drop of many: the last one added is selected, in view.
  SendMessageW(list(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
  Pump();
  ASSERT_EQ(RowCount(), 30);
  EXPECT_EQ(SelectedRow(list()), 29);
  EXPECT_TRUE(RowInView(list(), 29));
  EXPECT_FALSE(RowInView(list(), 0)) << "the list did scroll";
  EXPECT_EQ(window_->entries().selected(), 30) << "the model follows";
  // Back at the top, a row added by the menu is selected and shown.
  SelectRow(0);
  SendMessageW(list(), LVM_ENSUREVISIBLE, 0, FALSE);
  AddFileRow(dir.File(L"menu.txt"));
  EXPECT_EQ(SelectedRow(list()), 30);
  EXPECT_TRUE(RowInView(list(), 30));
  // A refused one changes nothing.
  SelectRow(3);
  AddFileRow(paths[0]);
  EXPECT_EQ(SelectedRow(list()), 3);
}

}  // namespace
}  // namespace app_test
