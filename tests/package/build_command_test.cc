// The build button: checks in order, the creation test, progress, the steps.

#include "gtest/gtest.h"
#include "package/build_command.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package_test_util.h"

namespace {

using namespace package;
using namespace package_test;

TEST(BuildChecks, FirstFailureWinsWithItsFocus) {
  ScratchDir dir;
  PropertyValues p{"", "", "", "pub", "ver"};
  CheckResult r = CheckBuildInput(p, 0);
  EXPECT_EQ(r.message, msg::kNoAppName);
  EXPECT_EQ(r.focus, BuildItem::kAppName);
  p.app_name = " ";  // blanks pass
  r = CheckBuildInput(p, 0);
  EXPECT_EQ(r.message, msg::kNoSetupDir);
  EXPECT_EQ(r.focus, BuildItem::kSetupDir);
  p.setup_dir = "d";
  r = CheckBuildInput(p, 0);
  EXPECT_EQ(r.message, msg::kNoSavePath);
  EXPECT_EQ(r.focus, BuildItem::kSavePath);
  p.save_path = dir / "missing" + platform::kPathSeparator + "x.exe";
  r = CheckBuildInput(p, 0);
  EXPECT_EQ(r.message, msg::kNoEntries);
  EXPECT_EQ(r.focus, BuildItem::kNone);
  r = CheckBuildInput(p, 1);
  EXPECT_EQ(r.message, msg::kCannotCreate);
  EXPECT_EQ(r.focus, BuildItem::kSavePath);
  EXPECT_FALSE(platform::PathExists(dir / "missing"));
  p.save_path = dir / "x.exe";
  EXPECT_TRUE(CheckBuildInput(p, 1).ok);
  EXPECT_FALSE(platform::PathExists(p.save_path)) << "the test leaves nothing behind";
}

TEST(CanCreateFile, NeverCutsAnExistingFile) {
  ScratchDir dir;
  PutFile(dir / "old.exe", "keep me");
  EXPECT_TRUE(CanCreateFile(dir / "old.exe"));
  EXPECT_EQ(ReadWholeFile(dir / "old.exe"), "keep me");
  EXPECT_FALSE(CanCreateFile(dir.path())) << "a folder";
  EXPECT_FALSE(CanCreateFile(dir / "no" + platform::kPathSeparator + "x.exe"));
  EXPECT_TRUE(CanCreateFile(dir / "new.exe"));
  EXPECT_FALSE(platform::PathExists(dir / "new.exe"));
}

TEST(ProgressBar, NeverPassesItsMaximum) {
  ProgressBar bar;
  bar.Max = 100;
  bar.FileProgress(40);
  EXPECT_EQ(bar.Value, 40);
  bar.FileProgress(60);
  EXPECT_EQ(bar.Value, 100);
  bar.FileProgress(40960);
  EXPECT_EQ(bar.Value, 100);
  // Single precision: a large maximum absorbs small steps the way a float does.
  bar = ProgressBar{};
  bar.Max = 3e9f;
  bar.Value = 16777216.0f;
  bar.FileProgress(1);
  EXPECT_EQ(bar.Value, 16777216.0f);
}

class BuildCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { container_ = MakeContainer(dir_); }
  ScratchDir dir_, tmp_;
  TempFolderOverride temp_override_{tmp_.path()};
  Container container_;
  RecordingView view_;
  RecordingProgress progress_;
  BuildCommand command_;
};

TEST_F(BuildCommandTest, AWrittenPackageEndsWithTheCompletionMessage) {
  PutFile(dir_ / "a.txt", "a");
  PackageRequest r = DefaultRequest(container_.path, dir_ / "out.exe");
  r.entries = {RowFor(dir_ / "a.txt")};
  bool making_during_build = false;
  r.after_collect = [&] { making_during_build = command_.IsMaking(); };
  BuildResult result = command_.RunBuild(r, view_, progress_);
  EXPECT_EQ(result.outcome, BuildOutcome::kWritten);
  EXPECT_TRUE(making_during_build);
  EXPECT_FALSE(command_.IsMaking());
  EXPECT_EQ(view_.log, (std::vector<std::string>{"button off", "props off", "props on", "button on",
                                                 std::string("info:") + msg::kDone, "progress 0",
                                                 "status:"}));
  // A second build collects afresh from the unchanged rows.
  PutFile(dir_ / "a.txt", "changed");
  view_.log.clear();
  EXPECT_EQ(command_.RunBuild(r, view_, progress_).outcome, BuildOutcome::kWritten);
}

TEST_F(BuildCommandTest, ARefusalShowsItsMessageAndNoCompletion) {
  PutFile(dir_ / "a.txt", "a");
  PackageRequest r = DefaultRequest(dir_ / "missing.dat", dir_ / "out.exe");
  r.entries = {RowFor(dir_ / "a.txt")};
  BuildResult result = command_.RunBuild(r, view_, progress_);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  ASSERT_FALSE(view_.log.empty());
  EXPECT_EQ(view_.log[2], "warning:" + result.message);
  EXPECT_EQ(view_.log.size(), 7u);
  EXPECT_EQ(view_.log.back(), "status:");
  EXPECT_FALSE(command_.IsMaking());

  // A failed check: the message, the focus move, nothing else.
  view_.log.clear();
  r.properties.app_name = "";
  result = command_.RunBuild(r, view_, progress_);
  EXPECT_EQ(result.outcome, BuildOutcome::kInputRefused);
  EXPECT_EQ(view_.log, (std::vector<std::string>{std::string("warning:") + msg::kNoAppName,
                                                 std::string("focus:1")}));
}

}  // namespace
