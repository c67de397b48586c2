// Signing with the user's command: the command line, the shell, the
// failures, and builds that sign the uninstaller and the package.

#include <algorithm>

#include "gtest/gtest.h"
#include "package/image_digest.h"
#include "package/messages.h"
#include "package/name_index.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package/sign_command.h"
#include "package_test_util.h"
#include "platform/shell.h"
#include "test_signing.h"

namespace {

using namespace package;
using namespace package_test;

// The test signer, in the form the shell runs it.
std::string Signer() {
  std::string path = QR_TEST_SIGNER;
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') {
    std::replace(path.begin(), path.end(), '/', '\\');
    path = "Z:" + path;
  }
#endif
  return platform::ShellWordForFile(path);
}

std::string Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos ? "" : "\"" + part + "\" not in: " + text;
}

TEST(SignCommand, EveryStandalonePlaceholderIsReplaced) {
  std::string q = platform::ShellWordForFile("/x y/p.tmp");
  EXPECT_EQ(SignCommandLine("sign -in $f -out $f.signed && mv $f.signed $f", "/x y/p.tmp"),
            "sign -in " + q + " -out " + q + ".signed && mv " + q + ".signed " + q);
  EXPECT_EQ(SignCommandLine("echo $file $f_1 $f2 $F", "p"), "echo $file $f_1 $f2 $F");
  EXPECT_TRUE(HasFilePlaceholder("tool $f"));
  EXPECT_TRUE(HasFilePlaceholder("tool \"$f\""));
  EXPECT_FALSE(HasFilePlaceholder("tool $file"));
  EXPECT_FALSE(HasFilePlaceholder("tool f"));
}

TEST(SignCommand, TheQuotedPathReachesTheCommandWhole) {
  ScratchDir dir;
#ifdef _WIN32
  std::string name = "a b & (c) ^ 中文.exe";
  const char* show = "type $f";
#else
  std::string name = "a b'c $HOME `x` %PATH% &; 中文.exe";
  const char* show = "cat $f";
#endif
  ASSERT_TRUE(WriteWholeFile(dir / name, "hello"));
  platform::ShellResult r;
  std::string err;
  ASSERT_TRUE(platform::RunShellCommand(SignCommandLine(show, dir / name), dir / name, &r, &err)) << err;
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_EQ(r.output, "hello");
}

// cmd expands %NAME% even between quotes, but not again inside a variable's
// value: a path with % goes to the command through the environment. (Wine's
// cmd does expand the value again, so only the variable is checked here.)
TEST(SignCommand, APathWithPercentSignsGoesThroughTheEnvironment) {
  std::string path = "C:\\100% sure\\%PATH%\\p.tmp";
#ifdef _WIN32
  EXPECT_EQ(SignCommandLine("tool $f", path), "tool \"%QRPACK_FILE%\"");
  const char* show = "set QRPACK_FILE";
#else
  EXPECT_EQ(SignCommandLine("tool $f", path), "tool '" + path + "'");
  const char* show = "printf 'QRPACK_FILE=%s' \"$QRPACK_FILE\"";
#endif
  platform::ShellResult r;
  std::string err;
  ASSERT_TRUE(platform::RunShellCommand(show, path, &r, &err)) << err;
  EXPECT_EQ(r.output.substr(0, r.output.find_last_not_of("\r\n") + 1), "QRPACK_FILE=" + path);
}

class SignedBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    using test_signing::DigestSection;
    container_ = MakeContainerOf(dir_, test_signing::MakePeImage(20480, 1, DigestSection::kEmptyField),
                                 test_signing::MakePeImage(16896, 2, DigestSection::kEmptyField));
    PutFile(dir_ / "a.txt", std::string(30000, 'a') + "end");
    PutFile(dir_ / "b.txt", "bee");
  }
  BuildResult Build(const std::string& sign_command) {
    PackageRequest r = DefaultRequest(container_.path, pkg_);
    r.entries = {RowFor(dir_ / "a.txt", 1), RowFor(dir_ / "b.txt")};
    r.sign_command = sign_command;
    RecordingProgress progress;
    return MakePackage(r, progress);
  }
  // Nothing of a build is left: no temporary package, no temporary uninstaller.
  void ExpectNoTemporaries() {
    EXPECT_TRUE(FilesStartingWith(dir_.path(), "p").size() <= 1) << "only the package itself";
    EXPECT_TRUE(FilesStartingWith(tmp_.path(), "").empty());
  }

  ScratchDir dir_, tmp_;
  TempFolderOverride temp_override_{tmp_.path()};
  Container container_;
  std::string pkg_ = dir_ / "p.exe";
};

TEST_F(SignedBuildTest, TheUninstallerAndThePackageAreSignedAndStillCheck) {
  BuildResult b = Build(Signer() + " $f");
  ASSERT_EQ(b.outcome, BuildOutcome::kWritten) << b.message;
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(pkg_, &err)) << err;
  EXPECT_TRUE(reader.image().signed_file);
  EXPECT_EQ(reader.image().digest, DigestState::kFilled);
  EXPECT_TRUE(reader.VerifyDigest(nullptr, nullptr, &err)) << err;

  const PackageContents& c = reader.contents();
  ASSERT_TRUE(reader.DecodeRecordToFile(c.files.size() - 1, dir_ / "uninst.out", nullptr, &err)) << err;
  std::string uninst = ReadWholeFile(dir_ / "uninst.out");
  PeHeaders pe = ParsePeHeaders(std::span<const uint8_t>(
      reinterpret_cast<const uint8_t*>(uninst.data()), uninst.size()));
  EXPECT_TRUE(HasTrailingCertTable(pe, static_cast<int64_t>(uninst.size())));
  EXPECT_TRUE(CheckUninstaller(dir_ / "uninst.out", &err)) << err;
  NameIndex index;
  ASSERT_TRUE(ReadNameIndex(dir_ / "uninst.out", &index, &err)) << err;
  EXPECT_EQ(index.rel_paths, (std::vector<std::string>{"a.txt", "b.txt"}));
  // The total counts the signed uninstaller as it is stored.
  EXPECT_EQ(c.trailer.total, 30003 + 3 + static_cast<int32_t>(uninst.size()));
  ExpectNoTemporaries();
}

TEST_F(SignedBuildTest, AFailedSigningKeepsTheOldPackageAndLeavesNothing) {
  PutFile(pkg_, "the old package");
  struct Case {
    const char* option;
    std::string expected;
  } cases[] = {
      {"--fail", msg::kSignFailed},          // on the uninstaller
      {"--fail-tmp", msg::kSignFailed},      // on the package
      {"--damage", msg::kSignedUninstallerUnreadable},
  };
  for (const Case& c : cases) {
    BuildResult b = Build(Signer() + " " + c.option + " $f");
    EXPECT_EQ(b.outcome, BuildOutcome::kFailed) << c.option;
    EXPECT_EQ(Contains(b.message, c.expected), "") << c.option;
    if (c.expected == msg::kSignFailed) {
      EXPECT_EQ(Contains(b.message, "test signer refuses to sign"), "") << c.option;
      EXPECT_EQ(Contains(b.message, "3）"), "") << c.option;
    }
    EXPECT_EQ(ReadWholeFile(pkg_), "the old package") << c.option;
    ExpectNoTemporaries();
  }
  // A command that ends well but signs nothing.
  BuildResult b = Build("echo $f");
  EXPECT_EQ(b.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(Contains(b.message, msg::kSignLeftUnsigned), "");
  EXPECT_EQ(ReadWholeFile(pkg_), "the old package");
  ExpectNoTemporaries();
}

}  // namespace
