#include "platform/paths.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace {

// Writes a path with "\" and turns it into the native form.
std::string P(std::string path) {
  for (char& c : path)
    if (c == '\\') c = platform::kPathSeparator;
  return path;
}

TEST(PathsTest, SplitAtLastSeparator) {
  EXPECT_EQ(platform::GetFileName(P("C:\\A\\b.txt")), "b.txt");
  EXPECT_EQ(platform::GetFolderPath(P("C:\\A\\b.txt")), P("C:\\A\\"));
  EXPECT_EQ(platform::GetFileName(P("C:\\")), "");
  EXPECT_EQ(platform::GetFolderPath(P("C:\\")), P("C:\\"));
  EXPECT_EQ(platform::GetFileName("readme.txt"), "readme.txt");
  EXPECT_EQ(platform::GetFolderPath("readme.txt"), "");
  EXPECT_EQ(platform::GetFileName(P("D:\\Setup Files")), "Setup Files");
  EXPECT_EQ(platform::GetFolderPath(P("D:\\Setup Files")), P("D:\\"));
  EXPECT_EQ(platform::GetFileName(""), "");
  EXPECT_EQ(platform::GetFolderPath(""), "");
}

TEST(PathsTest, FolderAndNameGiveThePathAgain) {
  for (std::string p : {"C:\\A\\b.txt", "C:\\", "readme.txt", "\\\\srv\\share\\x", "a\\\\b",
                        "\\", "", "工作\\说明.txt"}) {
    p = P(p);
    EXPECT_EQ(platform::GetFolderPath(p) + platform::GetFileName(p), p) << p;
  }
}

TEST(PathsTest, JoinDoesNotDoubleTheSeparator) {
  EXPECT_EQ(platform::JoinPath(P("C:\\Tools"), "QrSetup.exe"), P("C:\\Tools\\QrSetup.exe"));
  EXPECT_EQ(platform::JoinPath(P("E:\\"), "QrSetup.exe"), P("E:\\QrSetup.exe"));
  EXPECT_EQ(platform::JoinPath("", "QrSetup.exe"), "QrSetup.exe");
}

}  // namespace
