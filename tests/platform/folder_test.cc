// platform::Folder (no link inside a folder is ever followed), the refusal
// of special files, and the list of temporary files.

#include "platform/folder.h"

#include <gtest/gtest.h>

#include "platform/temporaries.h"
#include "platform/utf.h"
#include "scratch_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

using platform::File;
using platform::Folder;

namespace {

bool MakeLink(const std::string& target, const std::string& path, bool folder) {
#ifdef _WIN32
  DWORD flags = (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | 0x2;  // unprivileged create
  return CreateSymbolicLinkW(platform::Utf8ToWide(path).c_str(),
                             platform::Utf8ToWide(target).c_str(), flags) &&
         platform::PathExists(path);
#else
  (void)folder;
  return symlink(target.c_str(), path.c_str()) == 0;
#endif
}

Folder::Kind KindIn(Folder& f, const std::string& name) {
  Folder::Kind kind = Folder::Kind::kSpecial;
  std::string err;
  EXPECT_TRUE(f.KindOf(name, &kind, nullptr, &err)) << err;
  return kind;
}

TEST(FolderTest, KindsAndWorkInsideAFolder) {
  ScratchDir dir;
  std::string err;
  ASSERT_TRUE(WriteWholeFile(dir / "file", "old"));
  auto f = Folder::Open(dir.path(), &err);
  ASSERT_TRUE(f) << err;
  EXPECT_EQ(KindIn(*f, "file"), Folder::Kind::kFile);
  EXPECT_EQ(KindIn(*f, "none"), Folder::Kind::kMissing);
  ASSERT_TRUE(f->CreateChild("sub", &err)) << err;
  EXPECT_EQ(KindIn(*f, "sub"), Folder::Kind::kFolder);
  EXPECT_FALSE(f->CreateChild("sub", &err));

  auto sub = f->OpenChild("sub", &err);
  ASSERT_TRUE(sub) << err;
  EXPECT_EQ(sub->path(), dir / "sub");
  auto file = sub->CreateNewFile("new", &err);
  ASSERT_TRUE(file) << err;
  ASSERT_TRUE(file->Write("fresh", 5, &err) && file->Close(&err)) << err;
  EXPECT_FALSE(sub->CreateNewFile("new", &err)) << "never over an existing file";
  EXPECT_FALSE(f->OpenChild("file", &err)) << "a file is no folder";

  // A rename replaces a file, never a folder.
  ASSERT_TRUE(WriteWholeFile(dir / "sub" + platform::kPathSeparator + "other", "other"));
  ASSERT_TRUE(sub->Rename("new", "other", &err)) << err;
  EXPECT_EQ(ReadWholeFile(dir / "sub" + platform::kPathSeparator + "other"), "fresh");
  ASSERT_TRUE(sub->CreateChild("folder", &err));
  ASSERT_TRUE(WriteWholeFile(dir / "sub" + platform::kPathSeparator + "x", "x"));
  EXPECT_FALSE(sub->Rename("x", "folder", &err));

  EXPECT_FALSE(f->RemoveChild("sub", &err)) << "not empty";
  ASSERT_TRUE(sub->RemoveFile("other", &err) && sub->RemoveFile("x", &err)) << err;
  ASSERT_TRUE(sub->RemoveChild("folder", &err) && sub->RemoveChild("folder", &err)) << err;
  sub.reset();
  EXPECT_TRUE(f->RemoveChild("sub", &err)) << err;
  EXPECT_TRUE(f->RemoveFile("none", &err)) << "a missing file is removed already";
  EXPECT_EQ(KindIn(*f, "sub"), Folder::Kind::kMissing);
}

TEST(FolderTest, LinksInsideAreSeenAndNeverFollowed) {
  ScratchDir dir, outside;
  std::string err;
  ASSERT_TRUE(WriteWholeFile(outside / "target", "outside"));
  if (!MakeLink(outside.path(), dir / "dirlink", true) ||
      !MakeLink(outside / "target", dir / "filelink", false))
    GTEST_SKIP() << "no symbolic links here";
  auto f = Folder::Open(dir.path(), &err);
  ASSERT_TRUE(f) << err;
  EXPECT_EQ(KindIn(*f, "dirlink"), Folder::Kind::kLink);
  EXPECT_EQ(KindIn(*f, "filelink"), Folder::Kind::kLink);
  EXPECT_FALSE(f->OpenChild("dirlink", &err)) << "a folder link is not entered";
  EXPECT_FALSE(f->CreateNewFile("filelink", &err));
  EXPECT_EQ(ReadWholeFile(outside / "target"), "outside");

  // A rename over a link replaces the link, not what it leads to.
  ASSERT_TRUE(WriteWholeFile(dir / "new", "inside"));
  ASSERT_TRUE(f->Rename("new", "filelink", &err)) << err;
  EXPECT_EQ(KindIn(*f, "filelink"), Folder::Kind::kFile);
  EXPECT_EQ(ReadWholeFile(outside / "target"), "outside");
}

#ifndef _WIN32
TEST(FolderTest, ALinkThatLeadsNowhereIsNotCreatedThrough) {
  ScratchDir dir, outside;
  std::string err;
  ASSERT_EQ(symlink((outside / "made").c_str(), (dir / "dangling").c_str()), 0);
  auto f = Folder::Open(dir.path(), &err);
  ASSERT_TRUE(f) << err;
  EXPECT_EQ(KindIn(*f, "dangling"), Folder::Kind::kLink);
  EXPECT_FALSE(f->CreateNewFile("dangling", &err));
  EXPECT_FALSE(platform::PathExists(outside / "made"));
}
#endif

// Only regular files open: a pipe or a device is refused at once (an open
// of a pipe never waits for its other end).
TEST(SpecialFileTest, OnlyRegularFilesOpen) {
#ifdef _WIN32
  const std::string device = "NUL";
#else
  const std::string device = "/dev/null";
  ScratchDir dir;
  const std::string pipe = dir / "pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
  for (File::Mode mode : {File::Mode::kRead, File::Mode::kReadWrite, File::Mode::kCreateTruncate}) {
    std::string err;
    EXPECT_FALSE(File::Open(pipe, mode, &err));
    EXPECT_NE(err.find("not a regular file"), std::string::npos) << err;
  }
  EXPECT_EQ(platform::KindOfPath(pipe), platform::PathKind::kSpecial);
  int64_t size = 0;
  std::string err;
  EXPECT_FALSE(platform::GetFileSize(pipe, &size, &err));
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(dir.path(), &entries, &err)) << err;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].is_special);
  EXPECT_FALSE(entries[0].is_directory);
#endif
  std::string e;
  EXPECT_FALSE(File::Open(device, File::Mode::kRead, &e));
  EXPECT_NE(e.find("not a regular file"), std::string::npos) << e;
  EXPECT_EQ(platform::KindOfPath(device), platform::PathKind::kSpecial);
  ScratchDir d;
  ASSERT_TRUE(WriteWholeFile(d / "f", "x"));
  EXPECT_EQ(platform::KindOfPath(d / "f"), platform::PathKind::kFile);
  EXPECT_EQ(platform::KindOfPath(d.path()), platform::PathKind::kFolder);
  EXPECT_EQ(platform::KindOfPath(d / "none"), platform::PathKind::kMissing);
}

TEST(TemporariesTest, ListedFilesAndFoldersAreRemovedTogether) {
  ScratchDir dir;
  std::string err;
  const std::string folder = dir / "made", inside = folder + platform::kPathSeparator + "t";
  ASSERT_TRUE(platform::MakeTemporary(folder, true, [&] {
    return platform::CreateDirectories(folder, &err);
  }));
  ASSERT_TRUE(platform::CreateTemporaryFile(inside, &err)) << err;
  EXPECT_FALSE(platform::CreateTemporaryFile(inside, &err)) << "never over an existing file";
  auto kept = platform::CreateTemporaryFile(dir / "kept.tmp", &err);
  ASSERT_TRUE(kept) << err;
  kept.reset();
  ASSERT_TRUE(platform::MoveTemporaryFile(dir / "kept.tmp", dir / "kept", &err)) << err;
  // A file this run did not list stays.
  ASSERT_TRUE(WriteWholeFile(dir / "other", "not listed"));

  platform::RemoveTemporaries();
  EXPECT_FALSE(platform::PathExists(inside));
  EXPECT_FALSE(platform::PathExists(folder));
  EXPECT_EQ(ReadWholeFile(dir / "kept"), "");
  EXPECT_EQ(ReadWholeFile(dir / "other"), "not listed");
}

// An interruption comes while files are open and being written: they go
// all the same (on Windows once the program ends and closes them).
TEST(TemporariesTest, AnOpenFileIsRemoved) {
  ScratchDir dir;
  std::string err;
  auto f = platform::CreateTemporaryFile(dir / "open.tmp", &err);
  ASSERT_TRUE(f) << err;
  ASSERT_TRUE(f->Write("data", 4, &err)) << err;
  platform::RemoveTemporaries();
  f.reset();
  EXPECT_FALSE(platform::PathExists(dir / "open.tmp"));
}

TEST(TemporariesTest, AFolderThatHoldsOtherFilesStays) {
  ScratchDir dir;
  std::string err;
  const std::string folder = dir / "made";
  ASSERT_TRUE(platform::MakeTemporary(folder, true, [&] {
    return platform::CreateDirectories(folder, &err);
  }));
  ASSERT_TRUE(WriteWholeFile(folder + platform::kPathSeparator + "user", "u"));
  platform::RemoveTemporaries();
  EXPECT_EQ(ReadWholeFile(folder + platform::kPathSeparator + "user"), "u");
  EXPECT_TRUE(platform::DropTemporary(dir / "never listed", [] { return true; }));
}

}  // namespace
