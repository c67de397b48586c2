// Payload collection: order, skips, relative paths, loops.

#include <filesystem>

#include "gtest/gtest.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/payload.h"
#include "package_test_util.h"

#ifndef _WIN32
#include "non_root.h"
#endif

namespace {

using namespace package;
using namespace package_test;

std::vector<std::string> RelPaths(const std::vector<PackFile>& files) {
  std::vector<std::string> out;
  for (const PackFile& f : files) out.push_back(f.RelPath);
  return out;
}

std::vector<PackFile> Collect(const std::vector<EntryRow>& rows, const std::string& save_path) {
  std::vector<PackFile> files;
  std::string err;
  EXPECT_TRUE(CollectPackFiles(rows, save_path, &files, &err)) << err;
  return files;
}

TEST(Payload, FoldersAreWalkedDepthFirstInUpperCaseOrdinalOrder) {
  ScratchDir dir;
  std::string app = dir / "App";
  char sep = platform::kPathSeparator;
  // Upper-cased: "A_" (5F) sorts after "AB" (42), although "a_" < "ab" in lower case.
  for (std::string name : std::vector<std::string>{"ab.txt", "a_.txt", "B.txt", "c", "sub" + std::string(1, sep) + "x.txt",
                           "sub" + std::string(1, sep) + "deep" + std::string(1, sep) + "y.txt",
                           "Sua.txt", "说明.txt", "zz.txt"})
    PutFile(app + sep + name, name);
  PutDir(app + sep + "empty" + sep + "emptier");
  std::vector<PackFile> files = Collect({RowFor(app, entries::Directory)}, dir / "QrSetup.exe");
  EXPECT_EQ(RelPaths(files),
            (std::vector<std::string>{"App\\ab.txt", "App\\a_.txt", "App\\B.txt", "App\\c",
                                      "App\\Sua.txt", "App\\sub\\deep\\y.txt", "App\\sub\\x.txt",
                                      "App\\zz.txt", "App\\说明.txt"}))
      << "AB < A_ in upper case; subfolders' files where the subfolder sorts";
  EXPECT_EQ(files[0].FullPath, app + sep + "ab.txt");
  EXPECT_EQ(files[0].FileSize, 6);
}

TEST(Payload, ThumbsDbIsSkippedInsideFoldersOnly) {
  ScratchDir dir;
  char sep = platform::kPathSeparator;
  std::string app = dir / "App";
  PutFile(app + sep + "Thumbs.db", "x");
  PutFile(app + sep + "a" + sep + "THUMBS.DB", "x");
  PutFile(app + sep + "a" + sep + "thumbs.db.bak", "x");
  PutFile(dir / "only" + sep + "thumbs.db", "x");
  PutFile(dir / "thumbs.db", "listed directly");
  std::vector<PackFile> files = Collect(
      {RowFor(app, entries::Directory), RowFor(dir / "only", entries::Directory), RowFor(dir / "thumbs.db")},
      dir / "QrSetup.exe");
  EXPECT_EQ(RelPaths(files), (std::vector<std::string>{"App\\a\\thumbs.db.bak", "thumbs.db"}));
}

TEST(Payload, TheSavePathIsSkippedInAnyLetterCase) {
  ScratchDir dir;
  char sep = platform::kPathSeparator;
  PutFile(dir / "out" + sep + "Setup.EXE", "old package");
  PutFile(dir / "out" + sep + "other.exe", "x");
  std::vector<PackFile> files =
      Collect({RowFor(dir / "out", entries::Directory)}, dir / "out" + sep + "setup.exe");
  EXPECT_EQ(RelPaths(files), (std::vector<std::string>{"out\\other.exe"}));
  // Listed as a file row, it is collected.
  files = Collect({RowFor(dir / "out" + sep + "Setup.EXE")}, dir / "out" + sep + "setup.exe");
  EXPECT_EQ(RelPaths(files), (std::vector<std::string>{"Setup.EXE"}));
}

TEST(Payload, ListOrderAndDuplicateRelPathsStay) {
  ScratchDir dir;
  char sep = platform::kPathSeparator;
  PutFile(dir / "one" + sep + "App" + sep + "same.txt", "1");
  PutFile(dir / "two" + sep + "App" + sep + "same.txt", "22");
  PutFile(dir / "z.txt", "");
  std::vector<PackFile> files = Collect({RowFor(dir / "z.txt"),
                                         RowFor(dir / "two" + sep + "App", entries::Directory),
                                         RowFor(dir / "one" + sep + "App", entries::Directory)},
                                        dir / "QrSetup.exe");
  EXPECT_EQ(RelPaths(files),
            (std::vector<std::string>{"z.txt", "App\\same.txt", "App\\same.txt"}));
  EXPECT_EQ(files[1].FileSize, 2);
  EXPECT_EQ(files[2].FileSize, 1);
}

TEST(Payload, AMissingFileRowFailsNamingIt) {
  ScratchDir dir;
  std::vector<PackFile> files;
  std::string err;
  EXPECT_FALSE(CollectPackFiles({RowFor(dir / "gone.txt")}, dir / "x.exe", &files, &err));
  // Named once, with the system's own reason and nothing else in brackets.
  int64_t size = 0;
  std::string query_failure;
  EXPECT_FALSE(platform::GetFileSize(dir / "gone.txt", &size, &query_failure));
  EXPECT_EQ(err, msg::kFileUnreadable + (dir / "gone.txt") + "（" +
                     platform::FailureReason(query_failure) + "）");
  EXPECT_FALSE(platform::FailureReason(query_failure).empty());
  // A folder row that vanished is taken as a file as well.
  EXPECT_FALSE(CollectPackFiles({RowFor(dir / "gone", entries::Directory)}, dir / "x.exe", &files, &err));
}

#ifndef _WIN32
TEST(Payload, LinksBackIntoTheWalkAreNotFollowedAgain) {
  ScratchDir dir;
  std::string app = dir / "App";
  PutFile(app + "/a.txt", "a");
  PutFile(app + "/sub/b.txt", "b");
  PutFile(dir / "outside/c.txt", "c");
  namespace fs = std::filesystem;
  fs::create_directory_symlink(app, app + "/sub/loop");
  fs::create_directory_symlink(dir / "outside", app + "/ext");
  fs::create_symlink(app + "/a.txt", app + "/link.txt");
  std::vector<PackFile> files = Collect({RowFor(app, entries::Directory)}, dir / "x.exe");
  EXPECT_EQ(RelPaths(files), (std::vector<std::string>{"App\\a.txt", "App\\ext\\c.txt",
                                                        "App\\link.txt", "App\\sub\\b.txt"}));
}

TEST(Payload, NamesEqualInUpperCaseKeepAFixedOrder) {
  ScratchDir dir;
  for (const char* name : {"b", "B", "a", "A"}) PutFile(dir / "App/" + name, name);
  std::vector<PackFile> files = Collect({RowFor(dir / "App", entries::Directory)}, dir / "x.exe");
  EXPECT_EQ(RelPaths(files),
            (std::vector<std::string>{"App\\A", "App\\a", "App\\B", "App\\b"}));
}

TEST(Payload, NamesHoldingABackslashAreRefused) {
  ScratchDir dir;
  PutFile(dir / "App/a\\b.txt", "x");
  std::vector<PackFile> files;
  std::string err;
  EXPECT_FALSE(CollectPackFiles({RowFor(dir / "App", entries::Directory)}, dir / "x.exe", &files, &err));
  EXPECT_EQ(err, msg::kNameHasSeparator + (dir / "App/a\\b.txt"));
}

// A folder the walk cannot list would leave part of the application out:
// the build is refused, naming the folder with the system's reason. Run as
// a user that root's rights do not cover.
TEST(Payload, AFolderThatCannotBeListedIsRefusedNamingIt) {
  ScratchDir dir;
  PutFile(dir / "App/a.txt", "a");
  PutFile(dir / "App/locked/b.txt", "b");
  std::string locked = dir / "App/locked";
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  int outcome = non_root::Run([&] {
    std::vector<PackFile> files;
    std::string err;
    if (CollectPackFiles({RowFor(dir / "App", entries::Directory)}, dir / "x.exe", &files, &err))
      return 1;
    std::string lead = msg::kFolderUnreadable + locked + "（";
    return err.compare(0, lead.size(), lead) == 0 && err.back() != '\n' ? 0 : 2;
  });
  chmod(locked.c_str(), 0755);
  if (outcome == -1) GTEST_SKIP() << "cannot switch to a user without root's rights";
  EXPECT_EQ(outcome, 0) << "1: the build went on without the folder; 2: the message does not name it";
}
#endif

}  // namespace
