// qrpack build with project files: a command line saved as a project builds
// the same package as the command line itself, options override the file,
// and a bad project file builds nothing.

#include <gtest/gtest.h>

#include "cli_test_util.h"
#include "project/project_file.h"
#include "scratch_dir.h"

namespace {

using cli_test::Join;
using cli_test::Put;

class ProjectBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    Put(Join(Join(dir_.path(), "MyApp"), "app.exe"), "program bytes program bytes");
    Put(Join(Join(Join(dir_.path(), "MyApp"), "data"), "config.ini"), "[a]\nb=1\n");
    Put(Join(Join(dir_.path(), "MyApp"), "说明.txt"), "说明");
  }
  ChildResult Run(std::vector<std::string> args) { return cli_test::Qrpack(dir_.path(), args); }
  std::string At(const std::string& rel) { return dir_ / rel; }
  ScratchDir dir_;
};

const std::vector<std::string> kCommandLine = {
    "--name", "我的工具", "--dir", "MyTool", "--publisher", "示例工作室", "--version", "2.1.0",
    "--run", "MyApp/app.exe", "--desktop", "MyApp/app.exe", "--program-group", "MyApp/说明.txt",
    "--jobs", "2", "MyApp/app.exe", "MyApp/data", "MyApp/说明.txt"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST_F(ProjectBuild, ASavedCommandLineBuildsTheSamePackage) {
  std::string sep(1, platform::kPathSeparator);
  std::vector<std::string> line = kCommandLine;
  for (std::string& a : line)
    for (char& c : a)
      if (c == '/') c = platform::kPathSeparator;
  // The same file name: a package records its own name in its version resource.
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(At("direct"), &err));
  ChildResult r = Run(cli_test::Build(With({"-o", "direct" + sep + "Setup.exe"}, line)));
  ASSERT_EQ(r.code, 0) << r.err;

  r = Run(cli_test::Build(With({"-o", "out" + sep + "Setup.exe", "--save-project", "my.qrproj"}, line)));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, At("my.qrproj") + "\n");
  EXPECT_FALSE(platform::PathExists(At("out"))) << "saving builds nothing";
  std::string text = ReadWholeFile(At("my.qrproj"));
  for (const char* expected :
       {"name = '我的工具'\n", "dir = 'MyTool'\n", "output = 'out/Setup.exe'\n", "jobs = 2\n",
        "path = 'MyApp/app.exe'\noptions = ['run', 'desktop']\n",
        "path = 'MyApp/data'\nfolder = true\n", "path = 'MyApp/说明.txt'\noptions = ['program-group']\n"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

  // Built from another folder: the project's paths are its folder's.
  ASSERT_TRUE(platform::CreateDirectories(At("out"), &err));
  ASSERT_TRUE(platform::CreateDirectories(At("elsewhere"), &err));
  r = cli_test::Qrpack(At("elsewhere"), cli_test::Build({At("my.qrproj")}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(ReadWholeFile(At("out" + sep + "Setup.exe")) == ReadWholeFile(At("direct" + sep + "Setup.exe")));
}

TEST_F(ProjectBuild, OptionsOnTheCommandLineOverrideTheFile) {
  ASSERT_EQ(Run(cli_test::Build(With({"--save-project", "p.qrproj"}, kCommandLine))).code, 0);
  // The same package from the file with other values on the command line ...
  std::string sep(1, platform::kPathSeparator);
  ChildResult r = Run(cli_test::Build({"p.qrproj", "--name", "另一个", "--run", "MyApp" + sep + "说明.txt",
                                       "-o", "over.exe", "--jobs", "1", "extra.txt"}));
  EXPECT_EQ(r.code, 1) << "a further ENTRY must exist";
  EXPECT_NE(r.err.find("extra.txt"), std::string::npos) << r.err;
  Put(At("extra.txt"), "x");
  r = Run(cli_test::Build({"p.qrproj", "--name", "另一个", "--run", "MyApp" + sep + "说明.txt", "-o",
                           "over.exe", "--jobs", "1", "extra.txt", "--save-project", "q.qrproj"}));
  ASSERT_EQ(r.code, 0) << r.err;
  project::Project q;
  project::Problem problem;
  ASSERT_TRUE(project::ParseProject(ReadWholeFile(At("q.qrproj")), At("q.qrproj"), &q, &problem))
      << problem.what;
  EXPECT_EQ(q.properties.app_name, "另一个");
  EXPECT_EQ(q.properties.setup_dir, "MyTool") << "kept from the file";
  EXPECT_EQ(q.properties.save_path, At("over.exe"));
  EXPECT_EQ(q.jobs, 1);
  ASSERT_EQ(q.entries.size(), 4u);
  EXPECT_EQ(q.entries[0].Flags, 4) << "run moved to the file the command line names";
  EXPECT_EQ(q.entries[2].Flags, 1 | 16);
  EXPECT_EQ(q.entries[3].Name, "extra.txt");

  r = Run(cli_test::Build({"p.qrproj", "--name", "另一个", "-o", "over.exe"}));
  ASSERT_EQ(r.code, 0) << r.err;
  r = cli_test::Qrpack(dir_.path(), {"list", "over.exe"});
  EXPECT_NE(r.out.find("AppName：另一个"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("SetupDir：MyTool"), std::string::npos) << r.out;
}

TEST_F(ProjectBuild, ABadProjectBuildsNothing) {
  Put(At("bad.qrproj"), "format = 1\n[package]\noutput = 'p.exe'\n\n[[entry]]\npath = 'MyApp/app.exe'\nflags = 1\n");
  ChildResult r = Run(cli_test::Build({"bad.qrproj"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("项目文件有误：" + At("bad.qrproj") + " 第 7 行：未知的键“flags”"),
            std::string::npos)
      << r.err;
  Put(At("new.qrproj"), "format = 9\n[package]\noutput = 'p.exe'\n");
  r = Run(cli_test::Build({"new.qrproj", "--save-project", "copy.qrproj"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("第 1 行：格式版本 9"), std::string::npos) << r.err;
  EXPECT_FALSE(platform::PathExists(At("p.exe")));
  EXPECT_FALSE(platform::PathExists(At("copy.qrproj")));

  // A project whose file has gone is refused by the build, as a vanished
  // file always was.
  Put(At("gone.qrproj"), "format = 1\n[package]\noutput = 'p.exe'\n[[entry]]\npath = 'nothing.exe'\n");
  r = Run(cli_test::Build({"gone.qrproj"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("nothing.exe"), std::string::npos) << r.err;
  EXPECT_FALSE(platform::PathExists(At("p.exe")));
}

}  // namespace

namespace {

TEST_F(ProjectBuild, OptionsOnFilesInsideAFolderAreSavedAndBuildTheSamePackage) {
  std::string sep(1, platform::kPathSeparator);
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(At("direct"), &err));
  const std::vector<std::string> line = {
      "--name", "工具", "--publisher", "工作室", "--desktop", "MyApp" + sep + "app.exe", "--desktop",
      "MyApp" + sep + "data" + sep + "config.ini", "--run", "MyApp" + sep + "说明.txt", "MyApp"};
  ChildResult r = Run(cli_test::Build(With({"-o", "direct" + sep + "Setup.exe"}, line)));
  ASSERT_EQ(r.code, 0) << r.err;
  r = Run(cli_test::Build(With({"-o", "out" + sep + "Setup.exe", "--save-project", "f.qrproj"}, line)));
  ASSERT_EQ(r.code, 0) << r.err;
  std::string text = ReadWholeFile(At("f.qrproj"));
  for (const char* expected :
       {"format = 3\n",
        "path = 'MyApp'\nfolder = true\n\n[[entry.file]]\npath = 'app.exe'\noptions = ['desktop']\n\n"
        "[[entry.file]]\npath = 'data/config.ini'\noptions = ['desktop']\n\n"
        "[[entry.file]]\npath = '说明.txt'\noptions = ['run']\n"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  ASSERT_TRUE(platform::CreateDirectories(At("out"), &err));
  r = Run(cli_test::Build({"f.qrproj"}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(ReadWholeFile(At("out" + sep + "Setup.exe")) == ReadWholeFile(At("direct" + sep + "Setup.exe")));
}

TEST_F(ProjectBuild, AFileOptionOutsideItsFolderOrOfAFileThatIsNotThereBuildsNothing) {
  const std::string head = "format = 3\n[package]\noutput = 'p.exe'\n[[entry]]\npath = 'MyApp'\nfolder = true\n";
  Put(At("out.qrproj"), head + "[[entry.file]]\npath = '../MyApp/app.exe'\noptions = ['desktop']\n");
  ChildResult r = Run(cli_test::Build({"out.qrproj"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("第 8 行：路径“../MyApp/app.exe”不是文件夹之中的路径"), std::string::npos) << r.err;
  Put(At("gone.qrproj"), head + "[[entry.file]]\npath = 'bin/gone.exe'\noptions = ['desktop']\n");
  r = Run(cli_test::Build({"gone.qrproj"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("MyApp\\bin\\gone.exe"), std::string::npos) << r.err;
  EXPECT_FALSE(platform::PathExists(At("p.exe")));
}

}  // namespace
