// Options on files inside folder rows: the list keeps them with its rows,
// the row menu and the folder's dialog model share the rule that run and
// the control-panel icon name one file, and shortcuts may name several.

#include <gtest/gtest.h>

#include <vector>

#include "entries/commands.h"
#include "entries/entry_list.h"
#include "entries/folder_files.h"
#include "entries/popup_menu.h"
#include "platform/files.h"

namespace {

using namespace entries;

std::string P(std::string path) {
  for (char& c : path)
    if (c == '\\') c = platform::kPathSeparator;
  return path;
}

// Rows: 1 "App" (folder), 2 "readme.txt", 3 "Tools" (folder).
class FileOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddDir(&list_, P("C:\\src\\App"));
    AddFile(&list_, P("C:\\src\\readme.txt"));
    AddDir(&list_, P("C:\\src\\Tools"));
    list_.OnChange = [this](EntryList::Change change, int32_t) {
      if (change == EntryList::Change::kFileOptions) ++file_option_changes_;
    };
  }
  EntryList list_;
  int file_option_changes_ = 0;
};

TEST_F(FileOptionsTest, TheDialogModelListsTheFolderFilesAndTheGoneOnesWithTheirOptions) {
  list_.SetFileOptions({{AddDesktopcut, "App\\bin\\b.exe"},
                        {AddDesktopcut, "App\\gone.exe"},
                        {AddToPrograms, "App\\BIN\\A.EXE"},  // found inside whatever the case
                        {AddDesktopcut, "Tools\\t.exe"}});
  FolderFiles files(list_, 1, {"App\\bin\\a.exe", "App\\bin\\b.exe", "App\\c.txt"});
  ASSERT_EQ(files.items().size(), 4u);
  EXPECT_EQ(files.Shown(0), "bin\\a.exe");
  EXPECT_EQ(files.items()[0].bits, AddToPrograms);
  EXPECT_EQ(files.items()[1].bits, AddDesktopcut);
  EXPECT_EQ(files.items()[2].bits, 0);
  EXPECT_EQ(files.items()[3].rel_path, "App\\gone.exe") << "kept so it can be cleared";

  // Two desktop shortcuts; run moves from file to file within the folder.
  files.Set(0, AddDesktopcut, true);
  files.Set(0, RunApp, true);
  files.Set(2, RunApp, true);
  files.Set(3, AddDesktopcut, false);
  EXPECT_EQ(files.items()[0].bits, AddDesktopcut | AddToPrograms);
  EXPECT_EQ(files.items()[2].bits, RunApp);
  ASSERT_TRUE(files.Apply(&list_));
  EXPECT_EQ(list_.file_options(), (std::vector<FileOption>{{AddDesktopcut, "App\\bin\\a.exe"},
                                                           {AddToPrograms, "App\\bin\\a.exe"},
                                                           {AddDesktopcut, "App\\bin\\b.exe"},
                                                           {RunApp, "App\\c.txt"},
                                                           {AddDesktopcut, "Tools\\t.exe"}}));
}

TEST_F(FileOptionsTest, AnOptionOfOneFileMovesBetweenRowsAndFoldersSharedOnesStay) {
  ASSERT_TRUE(SetOption(&list_, 2, RunApp, true));
  ASSERT_TRUE(SetOption(&list_, 2, AddDesktopcut, true));
  // Run on a file inside App takes it from readme.txt; the desktop shortcut is shared.
  ASSERT_TRUE(SetFolderFileOptions(&list_, 1, {{RunApp, "App\\a.exe"}, {AddDesktopcut, "App\\a.exe"}}));
  EXPECT_EQ(list_.row(2).Flags, "4");
  EXPECT_EQ(list_.file_options().size(), 2u);
  // And back: run on the row takes it from the folder's file.
  ASSERT_TRUE(SetOption(&list_, 2, RunApp, true));
  EXPECT_EQ(list_.file_options(), (std::vector<FileOption>{{AddDesktopcut, "App\\a.exe"}}));
  // Moving a shared option between rows leaves the files inside folders alone.
  AddFile(&list_, P("C:\\src\\other.exe"));
  ASSERT_TRUE(SetOption(&list_, 4, AddDesktopcut, true));
  EXPECT_EQ(list_.row(2).Flags, "1");
  EXPECT_EQ(list_.file_options(), (std::vector<FileOption>{{AddDesktopcut, "App\\a.exe"}}));

  // A folder's options name only files inside it, and only a folder row has them.
  EXPECT_FALSE(SetFolderFileOptions(&list_, 1, {{AddDesktopcut, "Tools\\t.exe"}}));
  EXPECT_FALSE(SetFolderFileOptions(&list_, 1, {{AddDesktopcut, "App"}}));
  EXPECT_FALSE(SetFolderFileOptions(&list_, 2, {{AddDesktopcut, "readme.txt\\x"}}));
  EXPECT_EQ(list_.file_options(), (std::vector<FileOption>{{AddDesktopcut, "App\\a.exe"}}));
}

TEST_F(FileOptionsTest, ARowsMenuShowsTheOptionsThatNameItAndClearsThem) {
  // A project may give a shortcut to two rows: the second by a file option.
  AddFile(&list_, P("C:\\src\\second.exe"));
  list_.SetFlags(2, AddDesktopcut);
  list_.SetFileOptions({{AddDesktopcut, "second.exe"}, {AddDesktopcut, "App\\x.exe"}});
  PopupMenu menu;
  list_.Select(4);
  ASSERT_TRUE(menu.Open(list_, PopupMenu::kRightButton, false));
  EXPECT_TRUE(menu.IsChecked(MenuItemId::AddDesktopcut));
  EXPECT_FALSE(menu.IsVisible(MenuItemId::FolderFiles)) << "a file row";
  ASSERT_TRUE(menu.SwitchOption(&list_, MenuItemId::AddDesktopcut));
  EXPECT_EQ(list_.row(2).Flags, "4") << "switching it off here leaves the other row";
  EXPECT_EQ(list_.file_options(), (std::vector<FileOption>{{AddDesktopcut, "App\\x.exe"}}));

  list_.Select(1);
  ASSERT_TRUE(menu.Open(list_, PopupMenu::kRightButton, false));
  EXPECT_TRUE(menu.IsVisible(MenuItemId::FolderFiles));
  std::vector<MenuItem> items = menu.VisibleItems();
  ASSERT_EQ(items.size(), 14u);
  EXPECT_EQ(items[6].id, MenuItemId::FolderFiles);
  EXPECT_STREQ(items[6].caption, "目录中文件的安装选项...");
}

TEST_F(FileOptionsTest, RemovingARowDropsTheOptionsOfItsFiles) {
  list_.SetFileOptions({{AddDesktopcut, "App\\a.exe"}, {AddDesktopcut, "Tools\\t.exe"},
                        {AddDesktopcut, "Application.exe"}, {AddDesktopcut, "App\\a.exe"}});
  EXPECT_EQ(list_.file_options().size(), 3u) << "no two alike";
  EXPECT_EQ(file_option_changes_, 1);
  ASSERT_TRUE(list_.Remove(1));
  EXPECT_EQ(list_.file_options(), (std::vector<FileOption>{{AddDesktopcut, "Application.exe"},
                                                           {AddDesktopcut, "Tools\\t.exe"}}));
  // A row of the same name keeps what names that name.
  AddDir(&list_, P("C:\\one\\Tools"));
  ASSERT_TRUE(list_.Remove(2));
  EXPECT_EQ(list_.file_options().size(), 2u);
  // A model made before a row went does not write into another row.
  FolderFiles stale(list_, 2, {"Tools\\t.exe"});
  ASSERT_TRUE(list_.Remove(2));
  EXPECT_FALSE(stale.Apply(&list_));
}

}  // namespace
