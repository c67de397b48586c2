// Stored paths: relative with "/" below the project's folder, absolute
// elsewhere, on both systems' rules; the parts a relative path may not hold.

#include <gtest/gtest.h>

#include "project/project_paths.h"

namespace project {
namespace {

TEST(StoredPath, BelowTheFolderRelativeWithSlashesElsewhereAbsolute) {
  EXPECT_EQ(StoredPath("/w/proj/bin/app.exe", "/w/proj", kPosixPaths), "bin/app.exe");
  EXPECT_EQ(StoredPath("/w/proj/app.exe", "/w/proj", kPosixPaths), "app.exe");
  EXPECT_EQ(StoredPath("/w/project2/app.exe", "/w/proj", kPosixPaths), "/w/project2/app.exe");
  EXPECT_EQ(StoredPath("/w/proj", "/w/proj", kPosixPaths), "/w/proj");
  EXPECT_EQ(StoredPath("/W/proj/a", "/w/proj", kPosixPaths), "/W/proj/a") << "POSIX keeps case";
  EXPECT_EQ(StoredPath("/a/b", "/", kPosixPaths), "a/b");
  EXPECT_EQ(StoredPath("", "/w", kPosixPaths), "");
  // A name that holds a backslash would read back as two parts.
  EXPECT_EQ(StoredPath("/w/proj/a\\b", "/w/proj", kPosixPaths), "/w/proj/a\\b");

  EXPECT_EQ(StoredPath("C:\\Proj\\bin\\app.exe", "C:\\Proj", kWindowsPaths), "bin/app.exe");
  EXPECT_EQ(StoredPath("c:\\PROJ\\Bin\\app.exe", "C:\\Proj", kWindowsPaths), "Bin/app.exe");
  EXPECT_EQ(StoredPath("D:\\Other\\x.dll", "C:\\Proj", kWindowsPaths), "D:\\Other\\x.dll");
  EXPECT_EQ(StoredPath("C:\\Projects\\x.dll", "C:\\Proj", kWindowsPaths), "C:\\Projects\\x.dll");
  EXPECT_EQ(StoredPath("C:\\x.dll", "C:\\", kWindowsPaths), "x.dll");
  EXPECT_EQ(StoredPath("\\\\srv\\share\\p\\x", "\\\\srv\\share\\p", kWindowsPaths), "x");
}

TEST(ResolveStoredPath, EitherSeparatorAbsoluteKeptBadPartsRefused) {
  std::string abs, what;
  ASSERT_TRUE(ResolveStoredPath("bin/app.exe", "/w/proj", kPosixPaths, &abs, &what));
  EXPECT_EQ(abs, "/w/proj/bin/app.exe");
  ASSERT_TRUE(ResolveStoredPath("bin\\app.exe", "/w/proj", kPosixPaths, &abs, &what));
  EXPECT_EQ(abs, "/w/proj/bin/app.exe") << "a file written by hand on Windows";
  ASSERT_TRUE(ResolveStoredPath("bin/app.exe", "C:\\Proj", kWindowsPaths, &abs, &what));
  EXPECT_EQ(abs, "C:\\Proj\\bin\\app.exe");
  ASSERT_TRUE(ResolveStoredPath("C:/Tools/x.exe", "C:\\Proj", kWindowsPaths, &abs, &what));
  EXPECT_EQ(abs, "C:\\Tools\\x.exe");
  ASSERT_TRUE(ResolveStoredPath("\\\\srv\\s\\x", "C:\\Proj", kWindowsPaths, &abs, &what));
  EXPECT_EQ(abs, "\\\\srv\\s\\x");
  ASSERT_TRUE(ResolveStoredPath("/opt/x", "/w", kPosixPaths, &abs, &what));
  EXPECT_EQ(abs, "/opt/x");
  ASSERT_TRUE(ResolveStoredPath("a", "/", kPosixPaths, &abs, &what));
  EXPECT_EQ(abs, "/a");

  for (const char* bad : {"../x", "a/../../x", "a//b", "./a", "a/", "C:\\Tools\\x.exe", "C:x"}) {
    what.clear();
    EXPECT_FALSE(ResolveStoredPath(bad, "/w/proj", kPosixPaths, &abs, &what)) << bad;
    EXPECT_NE(what.find(bad), std::string::npos) << what;
  }
  for (const char* bad : {"..\\x", "\\rooted", "D:relative", "a\\\\b"})
    EXPECT_FALSE(ResolveStoredPath(bad, "C:\\Proj", kWindowsPaths, &abs, &what)) << bad;
}

TEST(FolderOf, RootsKeepTheirSeparator) {
  EXPECT_EQ(FolderOf("/w/p/x.qrproj", kPosixPaths), "/w/p");
  EXPECT_EQ(FolderOf("/x.qrproj", kPosixPaths), "/");
  EXPECT_EQ(FolderOf("C:\\x.qrproj", kWindowsPaths), "C:\\");
  EXPECT_EQ(FolderOf("C:\\p/x.qrproj", kWindowsPaths), "C:\\p");
}

TEST(PathStyle, AbsoluteOnEachSystem) {
  EXPECT_TRUE(IsAbsolutePath("/a", kPosixPaths));
  EXPECT_FALSE(IsAbsolutePath("C:\\a", kPosixPaths));
  EXPECT_TRUE(IsAbsolutePath("c:/a", kWindowsPaths));
  EXPECT_TRUE(IsAbsolutePath("\\\\s\\a", kWindowsPaths));
  EXPECT_FALSE(IsAbsolutePath("/a", kWindowsPaths)) << "rooted but without a drive";
  EXPECT_FALSE(IsAbsolutePath("C:a", kWindowsPaths));
}

}  // namespace
}  // namespace project
