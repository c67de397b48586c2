#include <gtest/gtest.h>

#include <vector>

#include "entries/commands.h"
#include "entries/entry_list.h"
#include "entries/popup_menu.h"
#include "platform/files.h"

namespace {

using namespace entries;

// Writes a path with "\" and turns it into the native form.
std::string P(std::string path) {
  for (char& c : path)
    if (c == '\\') c = platform::kPathSeparator;
  return path;
}

std::vector<std::string> AllFlags(const EntryList& list) {
  std::vector<std::string> flags;
  for (const PackageEntry& e : list.rows()) flags.push_back(e.Flags);
  return flags;
}

TEST(EntryListTest, FileAndFolderRows) {
  EntryList list;
  EXPECT_TRUE(AddFile(&list, P("C:\\A\\b.txt")).added);
  EXPECT_TRUE(AddDir(&list, P("C:\\A\\Sub")).added);
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.row(1).Name, "b.txt");
  EXPECT_EQ(list.row(1).Folder, P("C:\\A\\"));
  EXPECT_EQ(list.row(1).Flags, "0");
  EXPECT_EQ(list.row(2).Name, "Sub");
  EXPECT_EQ(list.row(2).Folder, P("C:\\A\\"));
  EXPECT_EQ(list.row(2).Flags, "64");
  EXPECT_EQ(list.row(1).FullPath(), P("C:\\A\\b.txt"));
}

TEST(EntryListTest, IsPathInListFoldsCaseOnly) {
  EntryList list;
  EXPECT_FALSE(list.IsPathInList(P("C:\\A\\b.txt")));
  EXPECT_FALSE(list.IsPathInList(""));
  AddFile(&list, P("C:\\A\\b.txt"));
  EXPECT_TRUE(list.IsPathInList(P("c:\\a\\B.TXT")));
  EXPECT_FALSE(list.IsPathInList(P("C:\\A\\b.txt\\")));
  EXPECT_FALSE(list.IsPathInList(P("C:\\A\\b.tx")));
}

TEST(EntryListTest, RemoveMovesLaterRowsUp) {
  EntryList list;
  AddFile(&list, P("C:\\1.txt"));
  AddFile(&list, P("C:\\2.txt"));
  AddFile(&list, P("C:\\3.txt"));
  list.SetFlags(3, 5);
  list.Select(3);
  EXPECT_TRUE(list.Remove(2));
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.row(2).Name, "3.txt");
  EXPECT_EQ(list.row(2).Flags, "5");
  EXPECT_EQ(list.selected(), 2);  // still the same row
  EXPECT_FALSE(list.Remove(0));
  EXPECT_FALSE(list.Remove(3));
  EXPECT_TRUE(list.Remove(2));
  EXPECT_EQ(list.selected(), 0);
}

TEST(EntryListTest, FlagsText) {
  EXPECT_EQ(ParseFlags("20"), 20);
  EXPECT_EQ(ParseFlags("127"), 127);
  EXPECT_EQ(ParseFlags(""), 0);
  EXPECT_EQ(ParseFlags("1x"), 0);
  EXPECT_EQ(FormatFlags(0), "0");
  EXPECT_EQ(FormatFlags(63), "63");
}

TEST(EntryListTest, ChangeNotifications) {
  EntryList list;
  std::vector<std::pair<EntryList::Change, int32_t>> seen;
  list.OnChange = [&](EntryList::Change c, int32_t row) { seen.push_back({c, row}); };
  AddFile(&list, P("C:\\a"));
  AddFile(&list, P("C:\\b"));
  list.Select(1);
  list.SetFlags(2, 1);
  list.SetFlags(2, 1);  // unchanged: no event
  DelFile(&list);
  using C = EntryList::Change;
  // The row below takes the selection before the row goes.
  std::vector<std::pair<C, int32_t>> expected = {
      {C::kAppended, 1}, {C::kAppended, 2}, {C::kSelection, 1},
      {C::kFlags, 2},    {C::kSelection, 2}, {C::kRemoved, 1}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(list.selected(), 1);
}

TEST(AddCommandsTest, DuplicatesAndRoots) {
  EntryList list;
  AddResult r = AddFile(&list, "");
  EXPECT_FALSE(r.added);
  EXPECT_STREQ(r.message, "");
  EXPECT_TRUE(AddFile(&list, P("C:\\Data\\a.txt")).added);
  r = AddFile(&list, P("C:\\Data\\a.txt"));
  EXPECT_FALSE(r.added);
  EXPECT_STREQ(r.message, "该文件已经被添加到列表中！");
  EXPECT_STREQ(AddFile(&list, P("c:\\data\\A.TXT")).message, "该文件已经被添加到列表中！");
  // A folder and a file inside it may both be rows.
  EXPECT_TRUE(AddDir(&list, P("C:\\Data")).added);
  EXPECT_STREQ(AddDir(&list, P("c:\\DATA")).message, "该目录已经被添加到列表中！");
  EXPECT_EQ(list.count(), 2);

  r = AddDir(&list, P("D:\\"));
  EXPECT_FALSE(r.added);
  EXPECT_STREQ(r.message, "根目录不能添加到列表中，请重新选择！");
  EXPECT_TRUE(AddDir(&list, P("D:\\Setup Files")).added);
  EXPECT_EQ(list.row(3).Name, "Setup Files");
  EXPECT_EQ(list.row(3).Folder, P("D:\\"));
  EXPECT_EQ(list.row(3).Flags, "64");
  EXPECT_FALSE(AddDir(&list, "").added);
  EXPECT_EQ(list.count(), 3);
}

TEST(AddCommandsTest, DuplicateIsTestedBeforeRoot) {
  EntryList list;
  // A root that is somehow already a row gives the duplicate message.
  list.Append({"", P("D:\\"), "64"});
  EXPECT_STREQ(AddDir(&list, P("d:\\")).message, "该目录已经被添加到列表中！");
}

TEST(RemoveCommandsTest, DeleteKeyAndDelFile) {
  EntryList list;
  AddFile(&list, P("C:\\a"));
  AddFile(&list, P("C:\\b"));
  EXPECT_FALSE(DelFile(&list));  // nothing selected
  EXPECT_EQ(OpenDirTarget(list), "");
  list.Select(2);
  EXPECT_EQ(OpenDirTarget(list), P("C:\\b"));
  EXPECT_FALSE(ListKeyUp(&list, kDeleteKey, /*IsMaking=*/true));
  EXPECT_FALSE(ListKeyUp(&list, 45, false));
  EXPECT_EQ(list.count(), 2);
  EXPECT_TRUE(ListKeyUp(&list, kDeleteKey, false));
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.row(1).Name, "a");
}

TEST(RemoveCommandsTest, RepeatedRemovalsGoDownTheListThenUp) {
  EntryList list;
  for (const char* name : {"C:\\1", "C:\\2", "C:\\3", "C:\\4"}) AddFile(&list, P(name));
  list.Select(2);
  EXPECT_TRUE(ListKeyUp(&list, kDeleteKey, false));  // 2 goes, 3 is selected
  EXPECT_EQ(list.row(list.selected()).Name, "3");
  EXPECT_TRUE(DelFile(&list));  // 3 goes, 4 is selected
  EXPECT_EQ(list.row(list.selected()).Name, "4");
  EXPECT_TRUE(DelFile(&list));  // the last goes: the new last is selected
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.selected(), 1);
  EXPECT_EQ(list.row(1).Name, "1");
  EXPECT_TRUE(DelFile(&list));  // the only row goes: nothing is selected
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.selected(), 0);
  EXPECT_FALSE(DelFile(&list));
}

TEST(OptionsTest, OneRowPerOption) {
  EntryList list;
  AddFile(&list, P("C:\\1"));
  AddFile(&list, P("C:\\2"));
  AddFile(&list, P("C:\\3"));
  PopupMenu menu;
  list.Select(2);
  ASSERT_TRUE(menu.Open(list, PopupMenu::kRightButton, false));
  EXPECT_TRUE(menu.SwitchOption(&list, MenuItemId::RunApp));
  list.Select(3);
  menu.Open(list, PopupMenu::kRightButton, false);
  EXPECT_FALSE(menu.IsChecked(MenuItemId::RunApp));
  EXPECT_TRUE(menu.SwitchOption(&list, MenuItemId::RunApp));
  EXPECT_EQ(AllFlags(list), (std::vector<std::string>{"0", "0", "1"}));

  // On and off again: no row keeps it.
  menu.Open(list, PopupMenu::kRightButton, false);
  EXPECT_TRUE(menu.IsChecked(MenuItemId::RunApp));
  menu.SwitchOption(&list, MenuItemId::RunApp);
  EXPECT_EQ(AllFlags(list), (std::vector<std::string>{"0", "0", "0"}));
}

TEST(OptionsTest, AllSixOnOneRowAndOtherBitsKept) {
  EntryList list;
  AddFile(&list, P("C:\\1"));
  AddFile(&list, P("C:\\2"));
  PopupMenu menu;
  list.Select(1);
  const MenuItemId options[] = {MenuItemId::AddQuickLaunch, MenuItemId::AddDesktopcut,
                                MenuItemId::RunApp,         MenuItemId::AddToAutoRun,
                                MenuItemId::AddToPrograms,  MenuItemId::SetCtrlPanelIcon};
  for (MenuItemId id : options) {
    menu.Open(list, PopupMenu::kRightButton, false);
    EXPECT_TRUE(menu.SwitchOption(&list, id));
  }
  EXPECT_EQ(list.row(1).Flags, "63");
  // Moving the desktop option takes only bit 4 away from row 1.
  list.Select(2);
  menu.Open(list, PopupMenu::kRightButton, false);
  menu.SwitchOption(&list, MenuItemId::AddDesktopcut);
  EXPECT_EQ(AllFlags(list), (std::vector<std::string>{"59", "4"}));
}

TEST(OptionsTest, FolderRowTakesNoOption) {
  EntryList list;
  AddDir(&list, P("C:\\Folder"));
  AddFile(&list, P("C:\\app.exe"));
  list.SetFlags(2, RunApp);
  PopupMenu menu;
  list.Select(1);
  menu.Open(list, PopupMenu::kRightButton, false);
  EXPECT_FALSE(menu.IsChecked(MenuItemId::RunApp));
  EXPECT_FALSE(menu.SwitchOption(&list, MenuItemId::RunApp));
  EXPECT_EQ(AllFlags(list), (std::vector<std::string>{"64", "1"}));
  EXPECT_FALSE(menu.IsChecked(MenuItemId::RunApp));
  EXPECT_FALSE(SetOption(&list, 1, AddToAutoRun, true));
  EXPECT_EQ(AllFlags(list), (std::vector<std::string>{"64", "1"}));
  // Without a selection the option items do nothing either.
  list.Select(0);
  EXPECT_FALSE(menu.SwitchOption(&list, MenuItemId::RunApp));
  EXPECT_FALSE(menu.SwitchOption(&list, MenuItemId::DelFile));
}

TEST(OptionsTest, SetOptionForTheCommandLine) {
  EntryList list;
  AddFile(&list, P("C:\\a"));
  AddFile(&list, P("C:\\b"));
  EXPECT_TRUE(SetOption(&list, 1, AddToPrograms, true));
  EXPECT_TRUE(SetOption(&list, 2, AddToPrograms, true));
  EXPECT_TRUE(SetOption(&list, 2, RunApp, true));
  EXPECT_EQ(AllFlags(list), (std::vector<std::string>{"0", "17"}));
  EXPECT_FALSE(SetOption(&list, 3, RunApp, true));
}

TEST(PopupMenuTest, VisibleItemsAndCheckMarks) {
  EntryList list;
  PopupMenu menu;
  // Only the two add commands before anything is opened, and without a selection.
  auto ids = [](const std::vector<MenuItem>& items) {
    std::vector<MenuItemId> v;
    for (const MenuItem& i : items) v.push_back(i.id);
    return v;
  };
  EXPECT_EQ(ids(menu.VisibleItems()),
            (std::vector<MenuItemId>{MenuItemId::AddFile, MenuItemId::AddDir}));
  EXPECT_FALSE(menu.Open(list, 1, false));  // left button
  AddFile(&list, P("C:\\x.exe"));
  list.Select(1);
  EXPECT_FALSE(menu.Open(list, PopupMenu::kRightButton, /*IsMaking=*/true));
  EXPECT_EQ(menu.VisibleItems().size(), 2u);

  list.SetFlags(1, AddDesktopcut | AddToPrograms);
  ASSERT_TRUE(menu.Open(list, PopupMenu::kRightButton, false));
  std::vector<MenuItem> items = menu.VisibleItems();
  ASSERT_EQ(items.size(), 13u);
  const char* captions[] = {"添加文件到列表", "添加目录到列表", "", "从列表中删除", "",
                            "打开所在文件夹", "", "添加到快速启动栏", "添加到桌面快捷",
                            "运行该程序", "添加到开机启动项", "添加到程序组", "设置为控制面板图标"};
  const bool separators[] = {0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
  const int32_t bits[] = {0, 0, 0, 0, 0, 0, 0, 2, 4, 1, 8, 16, 32};
  const bool checks[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0};
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_STREQ(items[i].caption, captions[i]) << i;
    EXPECT_EQ(items[i].separator, separators[i]) << i;
    EXPECT_EQ(items[i].bit, bits[i]) << i;
    EXPECT_EQ(items[i].checked, checks[i]) << i;
  }

  // Deselected again: back to two items; the check marks keep their state.
  list.Select(0);
  ASSERT_TRUE(menu.Open(list, PopupMenu::kRightButton, false));
  EXPECT_EQ(ids(menu.VisibleItems()),
            (std::vector<MenuItemId>{MenuItemId::AddFile, MenuItemId::AddDir}));
  EXPECT_TRUE(menu.IsChecked(MenuItemId::AddDesktopcut));
}

}  // namespace
