// The project file's text: what is written, that it reads back the same on
// either system's paths, and every refusal with its line.

#include <gtest/gtest.h>

#include "project/project_file.h"

namespace project {
namespace {

const ReadOptions kPosixRead{kPosixPaths, false};
const ReadOptions kWindowsRead{kWindowsPaths, false};

Project Sample(const std::string& root, char sep) {
  Project p;
  p.properties = {"我的 \"工具\"", "My'Tool", root + sep + "out" + sep + "Setup.exe", "示例\\工作室",
                  "2.1.0\n"};
  p.entries = {{"app.exe", root + sep + "bin" + sep, 1 | 4},
               {"data", root + sep, kFolderBit},
               {"中文.txt", root + sep + "文档" + sep, 2 | 8 | 16 | 32},
               {"other.dll", sep == '/' ? "/elsewhere/" : "D:\\elsewhere\\", 0}};
  p.jobs = 3;
  p.sign_command = "signtool sign /a $f";
  p.icon = root + sep + "art" + sep + "app.ico";
  p.compression = package::Compression::kSolid;
  return p;
}

TEST(ProjectFile, WritesReadableTextThatReadsBackTheSame) {
  Project p = Sample("/w/proj", '/');
  std::string text = FormatProject(p, "/w/proj/my.qrproj", kPosixPaths);
  for (const char* line : {"format = 3\n", "[package]\n", "name = '我的 \"工具\"'\n",
                           "dir = \"My'Tool\"\n", "output = 'out/Setup.exe'\n",
                           "publisher = '示例\\工作室'\n", "version = \"2.1.0\\n\"\n", "[build]\n",
                           "jobs = 3\n", "sign-command = 'signtool sign /a $f'\n", "icon = 'art/app.ico'\n",
                           "compression = 'solid'\n", "[[entry]]\npath = 'bin/app.exe'\noptions = ['run', 'desktop']\n",
                           "[[entry]]\npath = 'data'\nfolder = true\n",
                           "path = '文档/中文.txt'\noptions = ['quick-launch', 'autorun', "
                           "'program-group', 'control-panel-icon']\n",
                           "path = '/elsewhere/other.dll'\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n---\n" << text;

  Project back;
  Problem problem;
  ASSERT_TRUE(ParseProject(text, "/w/proj/my.qrproj", &back, &problem, kPosixRead)) << problem.what;
  EXPECT_EQ(back, p);

  // The lowest format that holds what is written, which older programs read:
  // without the compact kind, 2 (the icon's); without the icon as well, 1.
  p.compression = package::Compression::kLzss;
  text = FormatProject(p, "/w/proj/my.qrproj", kPosixPaths);
  EXPECT_EQ(text.find("format = 2\n"), text.find("format = "));
  EXPECT_EQ(text.find("compression = "), std::string::npos);
  p.icon.clear();
  text = FormatProject(p, "/w/proj/my.qrproj", kPosixPaths);
  EXPECT_EQ(text.find("format = 1\n"), text.find("format = "));
  EXPECT_EQ(text.find("icon = "), std::string::npos);
  // "lzss" written by hand reads as the default.
  ASSERT_TRUE(ParseProject("format = 1\n[build]\ncompression = 'lzss'\n", "/w/p.qrproj", &back, &problem,
                           kPosixRead));
  EXPECT_EQ(back.compression, package::Compression::kLzss);
}

TEST(ProjectFile, MovedWithItsFilesNamesTheFilesInTheirNewPlace) {
  Project p = Sample("/old/place", '/');
  std::string text = FormatProject(p, "/old/place/p.qrproj", kPosixPaths);
  Project moved;
  Problem problem;
  ASSERT_TRUE(ParseProject(text, "/new/spot/p.qrproj", &moved, &problem, kPosixRead));
  EXPECT_EQ(moved.entries[0].Folder + moved.entries[0].Name, "/new/spot/bin/app.exe");
  EXPECT_EQ(moved.properties.save_path, "/new/spot/out/Setup.exe");
  EXPECT_EQ(moved.entries[3].Folder + moved.entries[3].Name, "/elsewhere/other.dll")
      << "an absolute path stays";
}

TEST(ProjectFile, AWindowsProjectReadsOnLinuxAndTheOtherWayRound) {
  Project win = Sample("C:\\Proj", '\\');
  std::string text = FormatProject(win, "C:\\Proj\\p.qrproj", kWindowsPaths);
  EXPECT_NE(text.find("path = 'bin/app.exe'"), std::string::npos) << text;
  EXPECT_NE(text.find("path = 'D:\\elsewhere\\other.dll'"), std::string::npos) << text;
  Project back;
  Problem problem;
  ASSERT_TRUE(ParseProject(text, "C:\\Proj\\p.qrproj", &back, &problem, kWindowsRead));
  EXPECT_EQ(back, win);

  // Without the entry outside the project, the same text names the same
  // files checked out on Linux, and back again.
  win.entries.pop_back();
  text = FormatProject(win, "C:\\Proj\\p.qrproj", kWindowsPaths);
  Project on_linux;
  ASSERT_TRUE(ParseProject(text, "/home/u/proj/p.qrproj", &on_linux, &problem, kPosixRead))
      << problem.what;
  EXPECT_EQ(on_linux.entries[2].Folder + on_linux.entries[2].Name, "/home/u/proj/文档/中文.txt");
  EXPECT_EQ(FormatProject(on_linux, "/home/u/proj/p.qrproj", kPosixPaths), text);

  // A Windows path outside the project cannot be a Linux path: refused.
  ASSERT_FALSE(ParseProject("format = 1\n[[entry]]\npath = 'D:\\x\\y.dll'\n", "/p/p.qrproj",
                            &on_linux, &problem, kPosixRead));
  EXPECT_EQ(problem.line, 3);
}

TEST(ProjectFile, MissingValuesAreTheWindowsDefaults) {
  Project p;
  Problem problem;
  ASSERT_TRUE(ParseProject("format = 1\n", "/w/p.qrproj", &p, &problem, kPosixRead));
  Project defaults = DefaultProject("/w");
  defaults.properties.save_path = "/w/QrSetup.exe";
  EXPECT_EQ(p, defaults);
  EXPECT_FALSE(p.jobs);
  ASSERT_TRUE(ParseProject("format = 1\n[package]\noutput = ''\n", "/w/p.qrproj", &p, &problem,
                           kPosixRead));
  EXPECT_EQ(p.properties.save_path, "") << "an empty path stays empty (the build refuses it)";
}

struct Refusal {
  const char* text;
  int line;
  const char* what;  // a part of the message
};

TEST(ProjectFile, RefusesBadFilesWithTheLineAndWhatIsWrong) {
  const Refusal cases[] = {
      {"format = 1\nname = \"x", 2, "语法错误"},
      {"format = 1\n[package]\nname = 'a'\nname = 'b'\n", 4, "语法错误"},
      {"format = 1\n[package]\nname = \"\x80\"\n", 3, "语法错误"},
      {"format = 1\nextra = 2\n", 2, "未知的键“extra”"},
      // Non-ASCII characters outside string values (some of which toml++
      // cannot test for whitespace) are refused before it sees them.
      {"format = 1\n[package]\nname = '《工具》'、\n", 3, "字符 U+3001"},
      {"format = 1\nnamé = 1\n", 2, "字符 U+00E9"},
      {"format = 1\n[\"包\"]\n", 2, "字符 U+5305"},
      {"format = 1\n[package]\n'ключ' = 'x'\n", 3, "字符 U+043A"},
      {"format = 1\n[package]\nname = \"\"\"a\\\n  ﹏\"\"\"\n", 4, "字符 U+FE4F"},
      {"format = 1\n[package]\nname = true\xef\xb9\x8f\n", 3, "字符 U+FE4F"},
      {"format = 1\n[package]\ntitle = 'x'\n", 3, "未知的键“title”"},
      {"format = 1\n[build]\nlevel = 9\n", 3, "未知的键“level”"},
      {"format = 3\n[build]\ncompression = 'zstd'\n", 3, "“compression”应为"},
      {"format = 3\n[build]\ncompression = 1\n", 3, "“compression”应为文本"},
      {"format = 1\n[[entry]]\npath = 'a'\nicon = 'x'\n", 4, "未知的键“icon”"},
      {"[package]\nname = 'x'\n", 1, "缺少“format”"},
      {"format = '1'\n", 1, "“format”应为整数"},
      {"format = 4\n", 1, "格式版本 4 比本程序能读的版本 3 新"},
      {"format = 0\n", 1, "格式版本应为"},
      {"format = 1\npackage = 'x'\n", 2, "“package”应为表"},
      {"format = 1\n[package]\nname = 1\n", 3, "“name”应为文本"},
      {"format = 1\n[package]\n\nversion = 1.5\n", 4, "“version”应为文本"},
      {"format = 1\n[build]\njobs = '2'\n", 3, "“jobs”应为整数"},
      {"format = 1\n[build]\njobs = 0\n", 3, "1 到 1024"},
      {"format = 1\n[build]\njobs = 1025\n", 3, "1 到 1024"},
      {"format = 1\n[build]\nsign-command = 'sign it'\n", 3, "$f"},
      {"format = 1\nentry = 1\n", 2, "“entry”应为表"},
      {"format = 1\nentry = [1]\n", 2, "“entry”应为表"},
      {"format = 1\n[[entry]]\nfolder = true\n", 2, "缺少“path”"},
      {"format = 1\n[[entry]]\npath = ''\n", 3, "不能为空"},
      {"format = 1\n[[entry]]\npath = 5\n", 3, "“path”应为文本"},
      {"format = 1\n[[entry]]\npath = '/'\nfolder = true\n", 3, "根目录“/”"},
      {"format = 1\n[[entry]]\npath = 'd'\nfolder = 'yes'\n", 4, "“folder”应为 true 或 false"},
      {"format = 1\n[[entry]]\npath = 'a'\noptions = 'run'\n", 4, "“options”应为文本的列表"},
      {"format = 1\n[[entry]]\npath = 'a'\noptions = [1]\n", 4, "“options”应为文本的列表"},
      {"format = 1\n[[entry]]\npath = 'a'\noptions = ['fly']\n", 4, "未知的安装选项“fly”"},
      {"format = 1\n[[entry]]\npath = 'd'\nfolder = true\noptions = ['run']\n", 5, "文件夹不能"},
      {"format = 1\n[[entry]]\npath = 'a'\noptions = ['run']\n[[entry]]\npath = 'b'\n"
       "options = [\n 'desktop',\n 'run']\n",
       9, "安装选项“run”只能设在一个文件上（第 4 行已设）"},
      {"format = 1\n[[entry]]\npath = 'a'\noptions = ['run', 'run']\n", 4, "第 4 行已设"},
      {"format = 1\n[[entry]]\npath = 'Bin/A.exe'\n[[entry]]\npath = 'bin\\a.EXE'\n", 5,
       "已经在第 3 行列出"},
      {"format = 1\n[[entry]]\npath = '../up.exe'\n", 3, "路径“../up.exe”不是项目文件夹之下的路径"},
      {"format = 1\n[package]\noutput = 'a/../../x.exe'\n", 3, "不是项目文件夹之下"},
  };
  for (const Refusal& c : cases) {
    Project p = DefaultProject("/untouched");
    Problem problem;
    EXPECT_FALSE(ParseProject(c.text, "/w/p.qrproj", &p, &problem, kPosixRead)) << c.text;
    EXPECT_EQ(problem.line, c.line) << c.text << "\n" << problem.what;
    EXPECT_NE(problem.what.find(c.what), std::string::npos) << c.text << "\n" << problem.what;
    EXPECT_EQ(p, DefaultProject("/untouched")) << "nothing taken from a bad file";
  }
}

TEST(ProjectFile, NonAsciiTextInValuesAndCommentsIsTaken) {
  Project p;
  Problem problem;
  ASSERT_TRUE(ParseProject("format = 1 # 、é﹏\n[package]\nname = '《工具》、é﹏'\npublisher = "
                           "\"\"\"多行、\n﹏\"\"\"\nversion = '''、'''\n[[entry]]\n"
                           "path = '子目录/文件、.txt'\noptions = [\n  'run', # 运行、\n]\n",
                           "/w/p.qrproj", &p, &problem, kPosixRead))
      << problem.line << problem.what;
  EXPECT_EQ(p.properties.app_name, "《工具》、é﹏");
  EXPECT_EQ(p.properties.publisher, "多行、\n﹏");
  EXPECT_EQ(p.entries.at(0).Name, "文件、.txt");
  EXPECT_EQ(p.entries.at(0).Flags, 1);
}

TEST(ProjectFile, ProblemMessageNamesFileAndLine) {
  EXPECT_EQ(ProblemMessage("/w/p.qrproj", {7, "未知的键“x”"}),
            "项目文件有误：/w/p.qrproj 第 7 行：未知的键“x”");
  EXPECT_EQ(ProblemMessage("/w/p.qrproj", {0, "太大"}), "项目文件有误：/w/p.qrproj：太大");
}

}  // namespace
}  // namespace project
