// Reading and saving project files on disk: the size limit, links that lead
// out of the project's folder, a project moved with its files, and saving
// that never damages the file it replaces.

#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include "platform/utf.h"
#endif

#include "project/project_file.h"
#include "project/project_store.h"
#include "scratch_dir.h"

namespace project {
namespace {

// A symbolic link to a folder; false where the system makes none.
bool FolderLink(const std::string& target, const std::string& link) {
#ifdef _WIN32
  return CreateSymbolicLinkW(platform::Utf8ToWide(link).c_str(), platform::Utf8ToWide(target).c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
#else
  std::error_code ec;
  std::filesystem::create_directory_symlink(ScratchDir::FsPath(target), ScratchDir::FsPath(link), ec);
  return !ec;
#endif
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<platform::DirEntry> entries;
  platform::ListDirectory(dir, &entries, nullptr);
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

class ProjectStore : public ::testing::Test {
 protected:
  std::string Path(const std::string& rel) { return dir_ / rel; }
  ScratchDir dir_;
};

TEST_F(ProjectStore, SavedProjectMovedWithItsFilesOpensThere) {
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(Path("a") + platform::kPathSeparator + "bin", &err));
  ASSERT_TRUE(WriteWholeFile(Path("a") + platform::kPathSeparator + "bin" + platform::kPathSeparator + "x.exe", "x"));
  const char sep = platform::kPathSeparator;
  Project p = DefaultProject(Path("a"));
  p.entries = {{"x.exe", Path("a") + sep + "bin" + sep, 1}, {"bin", Path("a") + sep, kFolderBit}};
  std::string message;
  ASSERT_TRUE(SaveProject(Path("a") + sep + "p.qrproj", p, &message)) << message;
  EXPECT_EQ(Names(Path("a")), (std::vector<std::string>{"bin", "p.qrproj"})) << "no temporary left";

  std::filesystem::rename(ScratchDir::FsPath(Path("a")), ScratchDir::FsPath(Path("moved")));
  Project opened;
  ASSERT_TRUE(LoadProject(Path("moved") + sep + "p.qrproj", &opened, &message)) << message;
  EXPECT_EQ(opened.entries[0].Folder + opened.entries[0].Name,
            Path("moved") + sep + "bin" + sep + "x.exe");
  EXPECT_EQ(opened.properties.save_path, Path("moved") + sep + "QrSetup.exe");
}

TEST_F(ProjectStore, AFailedSaveKeepsTheOldFileAndLeavesNothing) {
  std::string target = Path("p.qrproj");
  ASSERT_TRUE(WriteWholeFile(target, "format = 1\n"));
  Project p = DefaultProject(dir_.path());
  std::string message;
  // A folder in the way of the new file: the replacement fails.
  std::string blocked = Path("dir.qrproj");
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(blocked + platform::kPathSeparator + "inside", &err));
  EXPECT_FALSE(SaveProject(blocked, p, &message));
  EXPECT_NE(message.find("无法保存项目文件"), std::string::npos) << message;
  // A folder that does not exist: the temporary file cannot be made.
  EXPECT_FALSE(SaveProject(Path("missing") + platform::kPathSeparator + "p.qrproj", p, &message));
  EXPECT_EQ(Names(dir_.path()), (std::vector<std::string>{"dir.qrproj", "p.qrproj"}));
  EXPECT_EQ(ReadWholeFile(target), "format = 1\n");

  ASSERT_TRUE(SaveProject(target, p, &message)) << message;
  EXPECT_EQ(ReadWholeFile(target), FormatProject(p, target));
}

TEST_F(ProjectStore, RefusesHugeAndUnreadableFilesNamingThem) {
  std::string big = Path("big.qrproj");
  std::string text = "format = 1\n";
  text.resize(static_cast<size_t>(kMaxProjectBytes) + 1, '#');
  ASSERT_TRUE(WriteWholeFile(big, text));
  Project p;
  std::string message;
  EXPECT_FALSE(LoadProject(big, &p, &message));
  EXPECT_NE(message.find(big + "：文件太大"), std::string::npos) << message;
  EXPECT_FALSE(LoadProject(Path("none.qrproj"), &p, &message));
  EXPECT_NE(message.find("无法读取项目文件"), std::string::npos) << message;
  EXPECT_NE(message.find("none.qrproj"), std::string::npos) << message;
  ASSERT_TRUE(WriteWholeFile(big, "format = 1\n[package]\nname = 1\n"));
  EXPECT_FALSE(LoadProject(big, &p, &message));
  EXPECT_EQ(message, "项目文件有误：" + big + " 第 3 行：“name”应为文本");
}

TEST_F(ProjectStore, RefusesRelativePathsThatLeaveThroughALink) {
  const char sep = platform::kPathSeparator;
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(Path("proj") + sep + "real", &err));
  ASSERT_TRUE(platform::CreateDirectories(Path("outside"), &err));
  ASSERT_TRUE(WriteWholeFile(Path("outside") + sep + "secret.txt", "s"));
  // (Wine makes links that lead nowhere; the window test uses links made by Linux.)
  if (!FolderLink(Path("outside"), Path("proj") + sep + "out") ||
      !platform::PathExists(Path("proj") + sep + "out"))
    GTEST_SKIP() << "no symbolic links";
  ASSERT_TRUE(FolderLink(Path("proj") + sep + "real", Path("proj") + sep + "in"));
  std::string project = Path("proj") + sep + "p.qrproj";
  Project p;
  std::string message;
  for (const char* path : {"out/secret.txt", "out/not/yet.txt", "out"}) {
    ASSERT_TRUE(WriteWholeFile(project, std::string("format = 1\n\n[[entry]]\npath = '") + path + "'\n"));
    EXPECT_FALSE(LoadProject(project, &p, &message)) << path;
    EXPECT_EQ(message, "项目文件有误：" + project + " 第 4 行：路径“" + path +
                           "”经由链接通到项目文件夹之外");
  }
  // A link that stays inside, a path not there yet, and an absolute path
  // outside are taken.
  ASSERT_TRUE(WriteWholeFile(project, "format = 1\n[[entry]]\npath = 'in/a.txt'\n[[entry]]\n"
                                      "path = 'gone/b.txt'\n[[entry]]\npath = '" +
                                          Path("outside") + sep + "secret.txt'\n"));
  EXPECT_TRUE(LoadProject(project, &p, &message)) << message;
  EXPECT_EQ(p.entries.size(), 3u);
}

}  // namespace
}  // namespace project
