// qrpack build's options on files inside folder ENTRYs, options given for
// several files, and DIR/. for a folder's contents.

#include <gtest/gtest.h>

#include "cli_test_util.h"
#include "scratch_dir.h"

namespace {

using cli_test::Build;
using cli_test::Join;
using cli_test::Put;
using cli_test::Qrpack;

class EntryOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    Put(Join(dir_ / "App", Join("bin", "app.exe")), "app");
    Put(Join(dir_ / "App", Join("tools", "tool.exe")), "tool");
    Put(Join(dir_ / "App", "readme.txt"), "read me");
    Put(Join(dir_ / "App", "Thumbs.db"), "skipped");
  }
  std::string Json(const std::string& pkg) { return Qrpack(dir_.path(), {"list", "--json", pkg}).out; }
  ScratchDir dir_;
};

TEST_F(EntryOptions, AnOptionNamesAFileInsideAFolderEntryAndMayRepeat) {
  const std::string pkg = dir_ / "p.exe";
  const std::string app = Join("App", Join("bin", "app.exe"));
  ChildResult r = Qrpack(dir_.path(), Build({"--quiet", "-o", pkg, "--desktop", app, "--desktop",
                                             Join("App", Join("tools", "tool.exe")), "--run",
                                             dir_ / app, "App"}));
  ASSERT_EQ(r.code, 0) << r.err;
  std::string json = Json(pkg);
  for (const char* expected : {"\"option_union\": 261", "{\"bit\": 1, \"name\": \"App\\\\bin\\\\app.exe\"}",
                               "{\"bit\": 4, \"name\": \"App\\\\bin\\\\app.exe\"}",
                               "{\"bit\": 4, \"name\": \"App\\\\tools\\\\tool.exe\"}"})
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;

  struct Case {
    std::vector<std::string> args;
    std::string told;
  } cases[] = {
      {{"--desktop", Join("App", "bin"), "App"}, "--desktop names no file inside the folder ENTRY"},
      {{"--desktop", Join("App", "gone.exe"), "App"}, "--desktop names no file inside the folder ENTRY"},
      {{"--desktop", "App", "App"}, "--desktop names a folder: App"},
      {{"--desktop", Join("Other", "x.exe"), "App"}, "--desktop names no ENTRY"},
      {{"--name", "a", "--name", "b", "App"}, "option --name given twice"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {"-o", pkg});
    r = Qrpack(dir_.path(), Build(args));
    EXPECT_EQ(r.code, 2) << c.told;
    EXPECT_NE(r.err.find(c.told), std::string::npos) << r.err;
  }
  // Running a program stays one file.
  r = Qrpack(dir_.path(), Build({"-o", pkg, "--run", app, "--run", Join("App", Join("tools", "tool.exe")), "App"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("同一个安装选项只能设置在一个文件上："), std::string::npos) << r.err;
}

TEST_F(EntryOptions, AFolderWithADotPacksItsContentsAtTheTop) {
  // The package itself, written into the folder, is not packed.
  const std::string pkg = Join(dir_ / "App", "setup.exe");
  Put(pkg, "an older package");
  ChildResult r = Qrpack(dir_.path(), Build({"--quiet", "-o", pkg, "--desktop",
                                             Join("App", Join("bin", "app.exe")), "App/."}));
  ASSERT_EQ(r.code, 0) << r.err;
  std::string json = Json(pkg);
  EXPECT_NE(json.find("{\"path\": \"bin\\\\app.exe\""), std::string::npos) << json;
  EXPECT_NE(json.find("{\"path\": \"readme.txt\""), std::string::npos) << json;
  EXPECT_NE(json.find("{\"bit\": 4, \"name\": \"bin\\\\app.exe\"}"), std::string::npos) << json;
  EXPECT_EQ(json.find("{\"path\": \"setup.exe\""), std::string::npos) << json;
  EXPECT_EQ(json.find("Thumbs"), std::string::npos) << json;
  EXPECT_EQ(json.find("\"App\\\\"), std::string::npos) << json;
}

}  // namespace
