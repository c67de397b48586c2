// qrpack extract with hostile packages and hostile target folders: every
// refusal comes before anything is written, a later failure removes what
// the run wrote, no link in the folder is followed, and the package itself
// is never written.

#include <gtest/gtest.h>

#include "cli_test_util.h"
#include "package/package_reader.h"
#include "platform/utf.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using namespace cli_test;

class Extract : public ::testing::Test {
 protected:
  // A package of the files named (each holding its own name) at dir_/pkg.exe.
  std::string Package(const std::vector<std::string>& names) {
    std::vector<std::string> args = {"-o", pkg_};
    for (const std::string& n : names) {
      Put(dir_ / n, "content of " + n);
      args.push_back(n);
    }
    ChildResult r = Qrpack(dir_.path(), Build(args));
    EXPECT_EQ(r.code, 0) << r.err;
    return pkg_;
  }
  // Extracts into out_, expecting a refusal whose message holds text.
  void ExpectRefused(const std::string& text) {
    ChildResult r = Qrpack(dir_.path(), {"extract", pkg_, out_});
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
  }

  ScratchDir dir_;
  std::string pkg_ = dir_ / "pkg.exe";
  std::string out_ = dir_ / "out";
};

TEST_F(Extract, NamesThatCollideAreRefusedBeforeAnythingIsWritten) {
  // Two records holding App\small.txt (the builder refuses to make such a
  // package; an edited or foreign one can hold it).
  Put(Join(dir_ / "App", "small.txt"), "first");
  Put(Join(dir_ / "App", "smalx.txt"), "second");
  ChildResult r = Qrpack(dir_.path(), Build({"-o", pkg_, "App"}));
  ASSERT_EQ(r.code, 0) << r.err;
  RenameRecord(pkg_, "App\\smalx.txt", "App\\small.txt");
  Put(Join(out_, "keep.txt"), "the user's");
  ExpectRefused("安装包中有两个文件同名（Windows不区分大小写），什么也没有写：App\\small.txt");
  EXPECT_EQ(Listing(out_), std::vector<std::string>{"keep.txt"});

  // Names Windows takes for one: letter case, a trailing dot.
  Package({"aaaaaaa", "bbbbbbb"});
  RenameRecord(pkg_, "bbbbbbb", "AaAaAaA");
  ExpectRefused("什么也没有写：AaAaAaA");
  // ... also in letters beyond Latin: the Roman numerals ⅷ and Ⅷ (the
  // names as the package stores them, in code page 936).
  Package({"ⅷ.txt", "bb.txt"});
  RenameRecord(pkg_, "bb.txt", "\xA2\xF8.txt");
  ExpectRefused("什么也没有写：Ⅷ.txt");
  Package({"aaaaaa", "bbbbbbb"});
  RenameRecord(pkg_, "bbbbbbb", "aaaaaa.");
  ExpectRefused("什么也没有写：aaaaaa.");
  EXPECT_EQ(Listing(out_), std::vector<std::string>{"keep.txt"});

  // One name a file in one record and a folder in another: in either order.
  Put(Join(dir_ / "dirname1", "inner.txt"), "inside");
  Put(dir_ / "dirnamex", "a file");
  for (const std::vector<std::string>& order : {std::vector<std::string>{"dirname1", "dirnamex"},
                                                std::vector<std::string>{"dirnamex", "dirname1"}}) {
    r = Qrpack(dir_.path(), Build({"-o", pkg_, order[0], order[1]}));
    ASSERT_EQ(r.code, 0) << r.err;
    RenameRecord(pkg_, "dirnamex", "DIRNAME1");
    ExpectRefused("安装包中的同一个名称既是文件又是文件夹，什么也没有写：");
  }
  EXPECT_EQ(Listing(out_), std::vector<std::string>{"keep.txt"});
  EXPECT_EQ(ReadWholeFile(Join(out_, "keep.txt")), "the user's");

  // A folder that is missing is not created for a refused package.
  out_ = dir_ / "new" + platform::kPathSeparator + "folder";
  ExpectRefused("什么也没有写");
  EXPECT_FALSE(platform::PathExists(dir_ / "new"));
}

TEST_F(Extract, ThePackageItselfIsNeverWritten) {
  // The package lies in the target folder under a name one record has.
  Package({"abcdefg"});
  RenameRecord(pkg_, "abcdefg", "pkg.exe");
  const std::string bytes = ReadWholeFile(pkg_);
  out_ = dir_.path();
  ExpectRefused("安装包中的文件会覆盖安装包本身，什么也没有写：" + pkg_);
  EXPECT_TRUE(ReadWholeFile(pkg_) == bytes);
  EXPECT_FALSE(platform::PathExists(dir_ / "uninst.exe"));
}

#ifndef _WIN32
TEST_F(Extract, ThePackageUnderAnotherNameIsNeverWritten) {
  Package({"abcdefg"});
  RenameRecord(pkg_, "abcdefg", "hard.ln");
  const std::string bytes = ReadWholeFile(pkg_);
  ASSERT_EQ(link(pkg_.c_str(), (dir_ / "hard.ln").c_str()), 0);
  out_ = dir_.path();
  ExpectRefused("安装包中的文件会覆盖安装包本身，什么也没有写：" + (dir_ / "hard.ln"));
  EXPECT_TRUE(ReadWholeFile(pkg_) == bytes);
}
#endif

// Makes a symbolic link at path to target; false where the system cannot.
bool MakeLink(const std::string& target, const std::string& path, bool folder) {
#ifdef _WIN32
  std::wstring t = platform::Utf8ToWide(target), p = platform::Utf8ToWide(path);
  DWORD flags = (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | 0x2;  // unprivileged create
  return CreateSymbolicLinkW(p.c_str(), t.c_str(), flags) && platform::PathExists(path);
#else
  (void)folder;
  return symlink(target.c_str(), path.c_str()) == 0;
#endif
}

TEST_F(Extract, LinksInTheFolderAreNeverFollowed) {
  ScratchDir outside;
  Put(outside / "victim.txt", "the user's file elsewhere");
  Put(Join(dir_ / "Sub", "victim.txt"), "from the package");
  Put(dir_ / "victim.txt", "from the package");
  ChildResult r = Qrpack(dir_.path(), Build({"-o", pkg_, "Sub", "victim.txt"}));
  ASSERT_EQ(r.code, 0) << r.err;
  platform::CreateDirectories(out_, nullptr);

  // A folder link where the package has a folder.
  if (!MakeLink(outside.path(), Join(out_, "Sub"), true)) GTEST_SKIP() << "no symbolic links here";
  ExpectRefused("目标文件夹中有链接，解包不会跟随它，什么也没有写：" + Join(out_, "Sub"));
  EXPECT_EQ(Listing(outside.path()), std::vector<std::string>{"victim.txt"});
  EXPECT_EQ(ReadWholeFile(outside / "victim.txt"), "the user's file elsewhere");
  std::string err;
  ASSERT_TRUE(platform::RemoveFile(Join(out_, "Sub"), &err) ||
              platform::RemoveEmptyFolder(Join(out_, "Sub"), &err))
      << err;

  // A file link, and a link that leads nowhere, where the package has a file.
  for (const std::string& target : {outside / "victim.txt", outside / "nowhere.txt"}) {
    ASSERT_TRUE(MakeLink(target, Join(out_, "victim.txt"), false));
    ExpectRefused("目标文件夹中有链接，解包不会跟随它，什么也没有写：" + Join(out_, "victim.txt"));
    EXPECT_EQ(ReadWholeFile(outside / "victim.txt"), "the user's file elsewhere");
    EXPECT_FALSE(platform::PathExists(outside / "nowhere.txt"));
    EXPECT_EQ(Listing(out_), std::vector<std::string>{"victim.txt"});
    ASSERT_TRUE(platform::RemoveFile(Join(out_, "victim.txt"), &err)) << err;
  }
}

TEST_F(Extract, WhatIsInTheWayIsNamed) {
  Put(Join(dir_ / "Sub", "a.txt"), "a");
  ChildResult r = Qrpack(dir_.path(), Build({"-o", pkg_, "Sub"}));
  ASSERT_EQ(r.code, 0) << r.err;
  Put(Join(out_, "Sub"), "a file where the package has a folder");
  ExpectRefused("目标文件夹中已有同名的文件，无法创建文件夹，什么也没有写：" + Join(out_, "Sub"));
  ASSERT_TRUE(platform::RemoveFile(Join(out_, "Sub"), nullptr));
  platform::CreateDirectories(Join(out_, Join("Sub", Join("a.txt", "inner"))), nullptr);
  ExpectRefused("目标文件夹中已有同名的文件夹，什么也没有写：" + Join(out_, Join("Sub", "a.txt")));
  Put(dir_ / "file", "x");
  out_ = dir_ / "file";
  ExpectRefused("目标不是文件夹，什么也没有写：" + out_);
}

// A record that fails to decode stops the extraction, and everything the
// run wrote goes again: earlier files, the folders it made, its temporary
// files. A file that was there before keeps its content.
TEST_F(Extract, AFailureRemovesWhatTheRunWrote) {
  Put(Join(dir_ / "App", "first.txt"), std::string(100000, 'f'));
  Put(Join(dir_ / "App", Join("deep", "second.txt")), std::string(100000, 's'));
  Put(dir_ / "third.txt", std::string(100000, 't'));
  ChildResult r = Qrpack(dir_.path(), Build({"-o", pkg_, "App", "third.txt"}));
  ASSERT_EQ(r.code, 0) << r.err;
  // third.txt's stream header announces more bytes than its stream holds.
  package::PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(pkg_, &err)) << err;
  ASSERT_EQ(reader.contents().files[2].rel_path, "third.txt");
  const int64_t header = reader.contents().files[2].StreamOffset();
  // The digest would refuse the package before anything is written: empty
  // it, as a writer that does not know it leaves it, to reach the decoding.
  const int64_t digest_length = reader.image().field_at + package::kDigestLengthAt;
  ASSERT_EQ(reader.image().digest, package::DigestState::kFilled);
  reader = package::PackageReader();
  std::string bytes = ReadWholeFile(pkg_);
  bytes[static_cast<size_t>(header) + 2] = 0x10;
  bytes.replace(static_cast<size_t>(digest_length), 8, 8, '\0');
  ASSERT_TRUE(WriteWholeFile(pkg_, bytes));

  Put(Join(out_, "old.txt"), "there before");
  Put(Join(out_, Join("App", "first.txt")), "an older first.txt");
  r = Qrpack(dir_.path(), {"extract", pkg_, out_});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("解包失败，本次写入的文件已删除：安装包已损坏：third.txt"), std::string::npos) << r.err;
  EXPECT_EQ(Listing(out_), (std::vector<std::string>{"App", "old.txt"}));
  EXPECT_EQ(Listing(Join(out_, "App")), std::vector<std::string>{"first.txt"});
  EXPECT_EQ(ReadWholeFile(Join(out_, Join("App", "first.txt"))), "an older first.txt");

  // Into a folder that did not exist: nothing at all stays.
  out_ = dir_ / "fresh" + platform::kPathSeparator + "out";
  r = Qrpack(dir_.path(), {"extract", pkg_, out_});
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(platform::PathExists(dir_ / "fresh"));
}

TEST_F(Extract, ASoundPackageReplacesOlderFiles) {
  Package({"abcdefg", "hijklmn"});
  Put(Join(out_, "abcdefg"), "older");
  ChildResult r = Qrpack(dir_.path(), {"extract", pkg_, out_});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadWholeFile(Join(out_, "abcdefg")), "content of abcdefg");
  EXPECT_EQ(Listing(out_), (std::vector<std::string>{"abcdefg", "hijklmn", "uninst.exe"}));
  // Again into the same folder: the same files, nothing left beside them.
  r = Qrpack(dir_.path(), {"extract", pkg_, out_});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Listing(out_), (std::vector<std::string>{"abcdefg", "hijklmn", "uninst.exe"}));
}

}  // namespace
