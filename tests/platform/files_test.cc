#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/utf.h"
#include "scratch_dir.h"

#ifndef _WIN32
#include <string.h>
#include <unistd.h>

#include <cerrno>
#endif

using platform::File;

namespace {

TEST(FileTest, CreateWriteSeekRead) {
  ScratchDir dir;
  std::string path = dir / "a.bin";
  std::string err;
  auto f = File::Open(path, File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(f) << err;
  ASSERT_TRUE(f->Write("hello world", 11, &err)) << err;
  EXPECT_EQ(f->Tell(), 11);
  int64_t size = 0;
  ASSERT_TRUE(f->Size(&size, &err));
  EXPECT_EQ(size, 11);

  ASSERT_TRUE(f->Seek(6, &err));
  char buf[16] = {};
  size_t got = 0;
  ASSERT_TRUE(f->Read(buf, sizeof buf, &got, &err));
  EXPECT_EQ(got, 5u);  // short only at the end
  EXPECT_EQ(std::string(buf, got), "world");
  EXPECT_EQ(f->Tell(), 11);

  ASSERT_TRUE(f->Seek(0, &err));
  ASSERT_TRUE(f->Write("J", 1, &err));
  ASSERT_TRUE(f->SeekToEnd(&err));
  ASSERT_TRUE(f->Write("!", 1, &err));
  ASSERT_TRUE(f->Close(&err)) << err;
  EXPECT_EQ(ReadWholeFile(path), "Jello world!");
}

// The system's own text for a missing file, in the system's language.
#ifndef _WIN32
std::string SystemTextForMissingFile() {
  return strerror(ENOENT);
}
#else
std::string SystemTextForMissingFile();
#endif

TEST(FailureReasonTest, IsTheSystemsOwnTextAlone) {
  ScratchDir dir;
  std::string missing = dir / "gone.txt";
  std::string err;
  EXPECT_FALSE(File::Open(missing, File::Mode::kRead, &err));
  const std::string reason = platform::FailureReason(err);
  ASSERT_FALSE(reason.empty()) << err;
  EXPECT_EQ(reason, SystemTextForMissingFile());
  EXPECT_EQ(reason.find("gone.txt"), std::string::npos);
  int64_t size = 0;
  EXPECT_FALSE(platform::GetFileSize(missing, &size, &err));
  EXPECT_EQ(platform::FailureReason(err), SystemTextForMissingFile());
  // A move names two files; the reason is what follows the second.
  EXPECT_FALSE(platform::ReplaceFile(missing, dir / "to.txt", &err));
  EXPECT_EQ(platform::FailureReason(err), SystemTextForMissingFile());
  // Texts that do not come from the system have none.
  EXPECT_EQ(platform::FailureReason("文件太短，不是安装包"), "");
  EXPECT_EQ(platform::FailureReason("压缩数据被截断或已损坏"), "");
  EXPECT_EQ(platform::FailureReason(""), "");
}

TEST(FileTest, ReadExactPastEndFailsNamingTheFile) {
  ScratchDir dir;
  std::string path = dir / "short.bin";
  ASSERT_TRUE(WriteWholeFile(path, "abc"));
  std::string err;
  auto f = File::Open(path, File::Mode::kRead, &err);
  ASSERT_TRUE(f) << err;
  char buf[4];
  EXPECT_FALSE(f->ReadExact(buf, 4, &err));
  EXPECT_NE(err.find("short.bin"), std::string::npos) << err;
  ASSERT_TRUE(f->Seek(1, &err));
  EXPECT_TRUE(f->ReadExact(buf, 2, &err));
  EXPECT_EQ(std::string(buf, 2), "bc");
}

TEST(FileTest, OpenModes) {
  ScratchDir dir;
  std::string path = dir / "m.bin";
  std::string err;
  EXPECT_FALSE(File::Open(path, File::Mode::kRead, &err));
  EXPECT_NE(err.find("m.bin"), std::string::npos) << err;
  EXPECT_FALSE(File::Open(path, File::Mode::kReadWrite, &err));

  auto created = File::Open(path, File::Mode::kCreateNew, &err);
  ASSERT_TRUE(created) << err;
  ASSERT_TRUE(created->Write("xyz", 3, &err));
  ASSERT_TRUE(created->Close(&err));
  // Exclusive creation refuses an existing file and leaves it alone.
  err.clear();
  EXPECT_FALSE(File::Open(path, File::Mode::kCreateNew, &err));
  EXPECT_FALSE(err.empty());
  EXPECT_EQ(ReadWholeFile(path), "xyz");

  auto rw = File::Open(path, File::Mode::kReadWrite, &err);
  ASSERT_TRUE(rw) << err;
  ASSERT_TRUE(rw->Seek(1, &err));
  ASSERT_TRUE(rw->Write("Y", 1, &err));
  rw.reset();  // the destructor closes
  EXPECT_EQ(ReadWholeFile(path), "xYz");

  auto cut = File::Open(path, File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(cut) << err;
  int64_t size = -1;
  ASSERT_TRUE(cut->Size(&size, &err));
  EXPECT_EQ(size, 0);

  // A read-only handle refuses writes.
  auto ro = File::Open(path, File::Mode::kRead, &err);
  ASSERT_TRUE(ro);
  EXPECT_FALSE(ro->Write("a", 1, &err));
}

TEST(FileTest, DirectoryIsNoFile) {
  ScratchDir dir;
  std::string err;
  EXPECT_FALSE(File::Open(dir.path(), File::Mode::kRead, &err));
  EXPECT_FALSE(err.empty());
}

TEST(FileTest, ClosedFileRefusesEverything) {
  ScratchDir dir;
  std::string err;
  auto f = File::Open(dir / "c.bin", File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(f);
  ASSERT_TRUE(f->Close(&err));
  EXPECT_FALSE(f->Write("a", 1, &err));
  EXPECT_FALSE(f->Close(&err));
  int64_t size;
  EXPECT_FALSE(f->Size(&size, &err));
}

TEST(FileTest, TruncateAndNegativeSeek) {
  ScratchDir dir;
  std::string path = dir / "t.bin";
  ASSERT_TRUE(WriteWholeFile(path, "0123456789"));
  std::string err;
  auto f = File::Open(path, File::Mode::kReadWrite, &err);
  ASSERT_TRUE(f);
  ASSERT_TRUE(f->Truncate(4, &err)) << err;
  EXPECT_FALSE(f->Seek(-1, &err));
  ASSERT_TRUE(f->Close(&err));
  EXPECT_EQ(ReadWholeFile(path), "0123");
}

TEST(FileTest, ChineseNames) {
  ScratchDir dir;
  std::string sub = dir / "安装目录";
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(sub, &err)) << err;
  std::string path = sub + platform::kPathSeparator + "软件：说明.txt";
  ASSERT_TRUE(WriteWholeFile(path, "内容"));
  EXPECT_TRUE(platform::PathExists(path));
  int64_t size = 0;
  ASSERT_TRUE(platform::GetFileSize(path, &size, &err)) << err;
  EXPECT_EQ(size, 6);

  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(sub, &entries, &err)) << err;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "软件：说明.txt");
  EXPECT_FALSE(entries[0].is_directory);
  EXPECT_EQ(entries[0].size, 6);
}

#ifndef _WIN32
// Sparse files keep this cheap; offsets above 2^31 and 2^32 must survive.
TEST(FileTest, OffsetsBeyondFourGigabytes) {
  ScratchDir dir;
  std::string path = dir / "sparse.bin";
  std::string err;
  auto f = File::Open(path, File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(f);
  const int64_t at = (int64_t{1} << 32) + 5;
  ASSERT_TRUE(f->Seek(at, &err));
  ASSERT_TRUE(f->Write("Q", 1, &err)) << err;
  ASSERT_TRUE(f->Seek((int64_t{1} << 31) + 1, &err));
  ASSERT_TRUE(f->Write("R", 1, &err)) << err;
  int64_t size = 0;
  ASSERT_TRUE(f->Size(&size, &err));
  EXPECT_EQ(size, at + 1);
  char c = 0;
  ASSERT_TRUE(f->Seek(at, &err));
  ASSERT_TRUE(f->ReadExact(&c, 1, &err));
  EXPECT_EQ(c, 'Q');
  ASSERT_TRUE(f->Seek((int64_t{1} << 31) + 1, &err));
  ASSERT_TRUE(f->ReadExact(&c, 1, &err));
  EXPECT_EQ(c, 'R');
  EXPECT_EQ(f->Tell(), (int64_t{1} << 31) + 2);
  ASSERT_TRUE(f->Close(&err));
  ASSERT_TRUE(platform::GetFileSize(path, &size, &err));
  EXPECT_EQ(size, at + 1);
}
#endif

TEST(DirectoryTest, ListsFilesAndFolders) {
  ScratchDir dir;
  std::string err;
  ASSERT_TRUE(WriteWholeFile(dir / "one.txt", "1"));
  ASSERT_TRUE(WriteWholeFile(dir / "three.txt", "333"));
  ASSERT_TRUE(platform::CreateDirectories(dir / "sub", &err));
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(dir.path(), &entries, &err)) << err;
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "one.txt");
  EXPECT_EQ(entries[0].size, 1);
  EXPECT_EQ(entries[1].name, "sub");
  EXPECT_TRUE(entries[1].is_directory);
  EXPECT_FALSE(entries[1].is_link);
  EXPECT_EQ(entries[2].name, "three.txt");
  EXPECT_EQ(entries[2].size, 3);

  entries.clear();
  ASSERT_TRUE(platform::ListDirectory(dir / "sub", &entries, &err));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(platform::ListDirectory(dir / "missing", &entries, &err));
  EXPECT_NE(err.find("missing"), std::string::npos);
}

#ifndef _WIN32
TEST(DirectoryTest, LinksAreMarked) {
  ScratchDir dir;
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(dir / "real", &err));
  ASSERT_EQ(symlink((dir / "real").c_str(), (dir / "loop").c_str()), 0);
  ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "dangling").c_str()), 0);
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(dir.path(), &entries, &err));
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "dangling");
  EXPECT_TRUE(entries[0].is_link);
  EXPECT_FALSE(entries[0].is_directory);
  EXPECT_EQ(entries[1].name, "loop");
  EXPECT_TRUE(entries[1].is_link);
  EXPECT_TRUE(entries[1].is_directory);

  platform::FileIdentity a, b;
  ASSERT_TRUE(platform::GetFileIdentity(dir / "real", &a, &err));
  ASSERT_TRUE(platform::GetFileIdentity(dir / "loop", &b, &err));
  EXPECT_EQ(a, b);  // a link resolves to the folder it names
}
#endif

TEST(DirectoryTest, IdentityTellsFilesApart) {
  ScratchDir dir;
  std::string err;
  ASSERT_TRUE(WriteWholeFile(dir / "x", "x"));
  ASSERT_TRUE(WriteWholeFile(dir / "y", "y"));
  platform::FileIdentity x1, x2, y, d;
  ASSERT_TRUE(platform::GetFileIdentity(dir / "x", &x1, &err)) << err;
  ASSERT_TRUE(platform::GetFileIdentity(dir / "x", &x2, &err));
  ASSERT_TRUE(platform::GetFileIdentity(dir / "y", &y, &err));
  ASSERT_TRUE(platform::GetFileIdentity(dir.path(), &d, &err)) << err;
  EXPECT_EQ(x1, x2);
  EXPECT_FALSE(x1 == y);
  EXPECT_FALSE(x1 == d);
  EXPECT_FALSE(platform::GetFileIdentity(dir / "z", &y, &err));
}

TEST(PathTest, QueriesAndRemoval) {
  ScratchDir dir;
  std::string err;
  std::string f = dir / "f.txt";
  ASSERT_TRUE(WriteWholeFile(f, "12345"));
  EXPECT_TRUE(platform::PathExists(f));
  EXPECT_FALSE(platform::IsDirectory(f));
  EXPECT_TRUE(platform::IsDirectory(dir.path()));
  EXPECT_FALSE(platform::IsDirectory(dir / "none"));
  int64_t size = 0;
  EXPECT_TRUE(platform::GetFileSize(f, &size, &err));
  EXPECT_EQ(size, 5);
  EXPECT_FALSE(platform::GetFileSize(dir / "none", &size, &err));
  EXPECT_FALSE(platform::GetFileSize(dir.path(), &size, &err));

  ASSERT_TRUE(platform::RemoveFile(f, &err)) << err;
  EXPECT_FALSE(platform::PathExists(f));
  EXPECT_TRUE(platform::RemoveFile(f, &err));  // already gone
}

TEST(PathTest, ReplaceOverExistingFile) {
  ScratchDir dir;
  std::string err;
  ASSERT_TRUE(WriteWholeFile(dir / "new.tmp", "new content"));
  ASSERT_TRUE(WriteWholeFile(dir / "target.exe", "old"));
  ASSERT_TRUE(platform::ReplaceFile(dir / "new.tmp", dir / "target.exe", &err)) << err;
  EXPECT_EQ(ReadWholeFile(dir / "target.exe"), "new content");
  EXPECT_FALSE(platform::PathExists(dir / "new.tmp"));
  // Onto a missing target, and from a missing source.
  ASSERT_TRUE(WriteWholeFile(dir / "a", "a"));
  ASSERT_TRUE(platform::ReplaceFile(dir / "a", dir / "b", &err));
  EXPECT_EQ(ReadWholeFile(dir / "b"), "a");
  EXPECT_FALSE(platform::ReplaceFile(dir / "a", dir / "b", &err));
  EXPECT_EQ(ReadWholeFile(dir / "b"), "a");
}

TEST(PathTest, CreateDirectoriesNested) {
  ScratchDir dir;
  std::string err;
  const char s = platform::kPathSeparator;
  std::string deep = dir / (std::string("a") + s + "b" + s + "c");
  ASSERT_TRUE(platform::CreateDirectories(deep, &err)) << err;
  EXPECT_TRUE(platform::IsDirectory(deep));
  EXPECT_TRUE(platform::CreateDirectories(deep + s, &err));  // exists already
  ASSERT_TRUE(WriteWholeFile(dir / "file", ""));
  EXPECT_FALSE(platform::CreateDirectories(dir / (std::string("file") + s + "sub"), &err));
  EXPECT_FALSE(platform::CreateDirectories(dir / "file", &err));
}

TEST(PathTest, LongPaths) {
  ScratchDir dir;
  std::string err;
  std::string path = dir.path();
  while (path.size() < 300) path += platform::kPathSeparator + std::string(40, 'd');
  ASSERT_TRUE(platform::CreateDirectories(path, &err)) << err;
  std::string file = path + platform::kPathSeparator + std::string(30, 'f') + ".bin";
  ASSERT_TRUE(WriteWholeFile(file, "deep"));
  EXPECT_EQ(ReadWholeFile(file), "deep");
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(path, &entries, &err)) << err;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].size, 4);
  ASSERT_TRUE(platform::ReplaceFile(file, file + ".x", &err)) << err;
  EXPECT_TRUE(platform::RemoveFile(file + ".x", &err)) << err;
  EXPECT_FALSE(platform::PathExists(file + ".x"));
  // The folders go again, deepest first (the scratch folder's own removal
  // cannot reach past MAX_PATH on Windows).
  while (path.size() > dir.path().size()) {
    EXPECT_TRUE(platform::RemoveEmptyFolder(path, &err)) << err;
    path.resize(path.find_last_of(platform::kPathSeparator));
  }
  EXPECT_FALSE(platform::PathExists(dir / std::string(40, 'd')));
}

TEST(FoldersTest, TempAndProgramFolders) {
  std::string temp = platform::TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_TRUE(platform::IsDirectory(temp)) << temp;
  EXPECT_NE(temp.back(), platform::kPathSeparator);

  std::string prog = platform::ProgramFolder();
  EXPECT_TRUE(platform::IsDirectory(prog)) << prog;
  std::vector<platform::DirEntry> entries;
  std::string err;
  ASSERT_TRUE(platform::ListDirectory(prog, &entries, &err)) << err;
  bool found = std::any_of(entries.begin(), entries.end(), [](const platform::DirEntry& e) {
    return e.name.rfind("platform_test", 0) == 0;
  });
  EXPECT_TRUE(found) << "this test program is not in " << prog;
}

#ifndef _WIN32
TEST(FoldersTest, TempFolderFollowsTmpdir) {
  ScratchDir dir;
  const char* old = getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", (dir.path() + "/").c_str(), 1);
  EXPECT_EQ(platform::TempFolder(), dir.path());
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(platform::TempFolder(), "/tmp");
  if (old) setenv("TMPDIR", saved.c_str(), 1); else unsetenv("TMPDIR");
}
#endif

}  // namespace

#ifdef _WIN32
#include <windows.h>  // after files.h: its ReplaceFile macro must not break ours

namespace {

std::wstring W(const std::string& utf8) { return platform::Utf8ToWide(utf8); }

std::string SystemTextForMissingFile() {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<wchar_t*>(&buf), 0,
                           nullptr);
  std::wstring text(buf ? buf : L"", n);
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                      nullptr, nullptr);
  return utf8;
}

TEST(WindowsFilesTest, HiddenFileCanBeRewrittenAndReadOnlyRemoved) {
  ScratchDir dir;
  std::string err;
  std::string hidden = dir / "hidden.bin";
  ASSERT_TRUE(WriteWholeFile(hidden, "old content"));
  ASSERT_TRUE(SetFileAttributesW(W(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(ReadWholeFile(hidden), "old content");
  ASSERT_TRUE(WriteWholeFile(hidden, "new"));
  EXPECT_EQ(ReadWholeFile(hidden), "new");

  std::string ro = dir / "readonly.bin";
  ASSERT_TRUE(WriteWholeFile(ro, "x"));
  ASSERT_TRUE(SetFileAttributesW(W(ro).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(platform::RemoveFile(ro, &err)) << err;
  EXPECT_FALSE(platform::PathExists(ro));
}

TEST(WindowsFilesTest, ReplaceFileAfterWindowsHeader) {
  ScratchDir dir;
  std::string err;
  ASSERT_TRUE(WriteWholeFile(dir / "a", "a"));
  EXPECT_TRUE(platform::ReplaceFile(dir / "a", dir / "b", &err)) << err;
  EXPECT_EQ(ReadWholeFile(dir / "b"), "a");
}

TEST(WindowsFilesTest, LinksAreMarked) {
  ScratchDir dir;
  std::string err;
  ASSERT_TRUE(WriteWholeFile(dir / "target.txt", "12345"));
  ASSERT_TRUE(platform::CreateDirectories(dir / "real", &err));
  if (!CreateSymbolicLinkW(W(dir / "file_link").c_str(), W(dir / "target.txt").c_str(), 0) ||
      !CreateSymbolicLinkW(W(dir / "dir_link").c_str(), W(dir / "real").c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      !platform::PathExists(dir / "file_link"))  // wine reports success, makes nothing
    GTEST_SKIP() << "no symbolic links here (error " << GetLastError() << ")";
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(dir.path(), &entries, &err)) << err;
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].name, "dir_link");
  EXPECT_TRUE(entries[0].is_link);
  EXPECT_TRUE(entries[0].is_directory);
  EXPECT_EQ(entries[1].name, "file_link");
  EXPECT_TRUE(entries[1].is_link);
  EXPECT_FALSE(entries[1].is_directory);
  EXPECT_EQ(entries[1].size, 5);  // the target's size
  platform::FileIdentity a, b;
  ASSERT_TRUE(platform::GetFileIdentity(dir / "real", &a, &err));
  ASSERT_TRUE(platform::GetFileIdentity(dir / "dir_link", &b, &err));
  EXPECT_EQ(a, b);
}

TEST(WindowsFilesTest, TempFolderFollowsTmp) {
  ScratchDir dir;
  wchar_t old[32768];
  DWORD n = GetEnvironmentVariableW(L"TMP", old, 32768);
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", W(dir.path() + "\\").c_str()));
  EXPECT_EQ(platform::TempFolder(), dir.path());
  SetEnvironmentVariableW(L"TMP", n ? old : nullptr);
}

}  // namespace
#endif
