// qrpack with compact packages: build --compression, then list, verify and
// extract read them back; the option's refusals.

#include <gtest/gtest.h>

#include "cli_test_util.h"
#include "compact_test_util.h"
#include "package/messages.h"
#include "package/stub_container.h"

namespace {

using namespace cli_test;

// This build's stub program name, or "" when it has none.
std::string StubProgram(const std::string& name) {
  for (const std::string& dir : {Join(Join(BinaryDir(), "stub-win"), "bin"), Join(BinaryDir(), "bin")}) {
    std::string path = Join(dir, name);
    if (platform::PathExists(path)) return path;
  }
  return "";
}

class CompactCli : public ::testing::Test {
 protected:
  void SetUp() override {
    setup_ = StubProgram("setup.exe");
    uninst_ = StubProgram("uninst.exe");
    if (setup_.empty() || uninst_.empty()) GTEST_SKIP() << "this build has no stub programs";
    // install.dat whose setup program declares that it reads compact
    // packages, and one whose setup program (an earlier version) does not.
    std::string err;
    Put(dir_ / "marked.exe", compact_test::WithSolidMark(ReadWholeFile(setup_)));
    Put(dir_ / "unmarked.exe", compact_test::WithoutSolidMark(ReadWholeFile(setup_)));
    ASSERT_TRUE(package::WriteStubContainer(dir_ / "marked.exe", uninst_, capable_, &err)) << err;
    ASSERT_TRUE(package::WriteStubContainer(dir_ / "unmarked.exe", uninst_, unmarked_, &err)) << err;
    Put(Join(dir_ / "App", "a.txt"), std::string(20000, 'a'));
    Put(Join(dir_ / "App", "empty.txt"), "");
    Put(Join(Join(dir_ / "App", "sub"), "b.txt"), "bbb");
  }
  ChildResult Build(const std::string& install_dat, std::vector<std::string> extra) {
    std::vector<std::string> args = {"build", "--install-dat", install_dat, "--name", "紧凑",
                                     "--publisher", "发行商", "-o", pkg_, "--quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back("App");
    return Qrpack(dir_.path(), args);
  }

  ScratchDir dir_;
  std::string setup_, uninst_;
  std::string capable_ = dir_ / "capable.dat";
  std::string unmarked_ = dir_ / "unmarked.dat";
  std::string pkg_ = dir_ / "c.exe";
};

TEST_F(CompactCli, BuildListVerifyAndExtract) {
  ChildResult r = Build(capable_, {"--compression", "solid"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = Qrpack(dir_.path(), {"verify", pkg_});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("OK: 4 records"), std::string::npos) << r.out;
  r = Qrpack(dir_.path(), {"list", pkg_});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Compact package: the first 3 files in 1 zstd frame(s)"), std::string::npos) << r.out;
  r = Qrpack(dir_.path(), {"list", "--json", pkg_});
  EXPECT_NE(r.out.find("\"compression\": \"solid\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"size\": 20000, \"compressed\": null"), std::string::npos) << r.out;
  r = Qrpack(dir_.path(), {"extract", pkg_, dir_ / "out"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(ReadWholeFile(Join(dir_ / "out", Join("App", "a.txt"))) == std::string(20000, 'a'));
  EXPECT_EQ(ReadWholeFile(Join(dir_ / "out", Join("App", "empty.txt"))), "");
  EXPECT_EQ(ReadWholeFile(Join(dir_ / "out", Join("App", Join("sub", "b.txt")))), "bbb");
}

TEST_F(CompactCli, LzssIsTodaysPackageByteForByte) {
  ASSERT_EQ(Build(capable_, {}).code, 0);
  const std::string plain = ReadWholeFile(pkg_);
  ASSERT_EQ(Build(capable_, {"--compression", "lzss"}).code, 0);
  EXPECT_TRUE(ReadWholeFile(pkg_) == plain);
}

TEST_F(CompactCli, RefusesAnUnknownKindAndASetupProgramThatCannotReadIt) {
  ChildResult r = Build(capable_, {"--compression", "zstd"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("--compression needs lzss or solid"), std::string::npos) << r.err;
  r = Build(unmarked_, {"--compression", "solid"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(package::msg::kSetupCannotReadSolid), std::string::npos) << r.err;
  EXPECT_FALSE(platform::PathExists(pkg_));
}

}  // namespace
