#include "package/install_dat_check.h"

#include <gtest/gtest.h>

#include <cstring>

#include "../platform/scratch_dir.h"
#include "package/messages.h"

namespace {

TEST(DigestTest, BytesToHexUppercaseWithLeadingZeros) {
  const uint8_t bytes[] = {0x00, 0x0F, 0x10, 0xAB, 0xFF};
  EXPECT_EQ(package::BytesToHex(bytes), "000F10ABFF");
  EXPECT_EQ(package::BytesToHex({}), "");
}

TEST(DigestTest, CheckFileMD5) {
  ScratchDir dir;
  std::string path = dir / "install.dat";
  ASSERT_TRUE(WriteWholeFile(path, "abc"));
  EXPECT_TRUE(package::CheckFileMD5(path, "900150983CD24FB0D6963F7D28E17F72"));
  // Lowercase never matches: the comparison is exact.
  EXPECT_FALSE(package::CheckFileMD5(path, "900150983cd24fb0d6963f7d28e17f72"));
  // One byte changed, length unchanged.
  ASSERT_TRUE(WriteWholeFile(path, "abd"));
  EXPECT_FALSE(package::CheckFileMD5(path, "900150983CD24FB0D6963F7D28E17F72"));
  EXPECT_FALSE(package::CheckFileMD5(dir / "missing.dat", "900150983CD24FB0D6963F7D28E17F72"));
}

TEST(DigestTest, EmptyFileFailsEvenAgainstTheEmptyDigest) {
  ScratchDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "install.dat", ""));
  EXPECT_FALSE(package::CheckFileMD5(dir / "install.dat", "D41D8CD98F00B204E9800998ECF8427E"));
}

TEST(DigestTest, CheckInstallDatGivesMessageAndTitle) {
  ScratchDir dir;
  std::string path = dir / "install.dat";
  ASSERT_TRUE(WriteWholeFile(path, "abc"));
  package::InstallDatCheck good = package::CheckInstallDat(path, "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_TRUE(good.ok);
  package::InstallDatCheck bad = package::CheckInstallDat(path, "00000000000000000000000000000000");
  EXPECT_FALSE(bad.ok);
  EXPECT_STREQ(bad.message, "install.dat文件丢失或被修改无法使用，请重新下载！");
  EXPECT_STREQ(bad.title, "加载失败");
  EXPECT_FALSE(package::CheckInstallDat(dir / "none", "900150983CD24FB0D6963F7D28E17F72").ok);
}

TEST(DigestTest, InstallDatLiesBesideTheProgram) {
  std::string path = package::InstallDatPath();
  std::string folder = platform::ProgramFolder();
  ASSERT_GT(path.size(), folder.size());
  EXPECT_EQ(path.substr(0, folder.size()), folder);
  EXPECT_EQ(path.substr(path.size() - 12), std::string(1, platform::kPathSeparator) + "install.dat");
}

}  // namespace
