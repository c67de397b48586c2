// make_package_seeds CORPUS: writes the seed corpora of the package fuzz
// targets below CORPUS (package_reader/, name_index/, stub_container/),
// made by the real writer from two small program images, so every seed is
// a sound file of its kind that the fuzzer then bends. Run by
// fuzz/make_seeds.sh.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "package/build_request.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package/stub_container.h"
#include "platform/files.h"

#ifdef _WIN32
#include <process.h>
#define QR_GETPID _getpid
#else
#include <unistd.h>
#define QR_GETPID getpid
#endif

namespace {

constexpr char kSep = platform::kPathSeparator;

class NoProgress : public package::BuildProgress {
 public:
  void SetStatus(const std::string&) override {}
  void SetMaximum(float) override {}
  void Advance(int32_t) override {}
};

bool Fail(const std::string& what) {
  std::fprintf(stderr, "make_package_seeds: %s\n", what.c_str());
  return false;
}

bool Write(const std::string& path, const std::string& bytes) {
  std::string err;
  size_t sep = path.find_last_of(kSep);
  if (sep != std::string::npos && !platform::CreateDirectories(path.substr(0, sep), &err))
    return Fail(err);
  auto f = platform::File::Open(path, platform::File::Mode::kCreateTruncate, &err);
  if (!f || !f->Write(bytes.data(), bytes.size(), &err) || !f->Close(&err)) return Fail(err);
  return true;
}

// A program image of n bytes: a repeating header that compresses, then
// (from byte 4096) a key of bytes that do not.
std::string Image(size_t n, uint32_t seed) {
  static const char kText[] = "This program cannot be run in DOS mode. ";
  std::string image(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    image[i] = i < 4096 ? kText[i % (sizeof kText - 1)] : static_cast<char>(x >> 23);
  }
  return image;
}

struct Seed {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // path below the tree, content
  std::vector<package::EntryRow> rows;                     // Folder filled in later
};

bool MakeSeeds(const std::string& corpus, const std::string& work) {
  const std::string dat = work + kSep + "install.dat";
  if (!Write(work + kSep + "setup.exe", Image(12288, 1)) ||
      !Write(work + kSep + "uninst.exe", Image(12300, 2)))
    return false;
  std::string err;
  if (!package::WriteStubContainer(work + kSep + "setup.exe", work + kSep + "uninst.exe", dat, &err))
    return Fail(err);
  std::string container;
  {
    auto f = platform::File::Open(dat, platform::File::Mode::kRead, &err);
    int64_t size = 0;
    if (!f || !f->Size(&size, &err)) return Fail(err);
    container.resize(static_cast<size_t>(size));
    if (!f->ReadExact(container.data(), container.size(), &err)) return Fail(err);
  }
  if (!Write(corpus + kSep + "stub_container" + kSep + "install_dat", container)) return false;

  std::string text;
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + ": the same words again\r\n";
  const std::string tree = work + kSep + "tree" + kSep;
  const Seed seeds[] = {
      {"no_files", {{"Empty" + std::string(1, kSep) + ".keep", ""}}, {{"Empty", "", 64}}},
      {"files_and_options",
       {{"readme.txt", text}, {"run.exe", Image(700, 3)}, {"empty.dat", ""},
        {"App" + std::string(1, kSep) + "sub" + std::string(1, kSep) + "x.bin", "xxxxxxxxxxxxxxxxxxxxxx"}},
       {{"readme.txt", "", 16}, {"run.exe", "", 1 | 4 | 32}, {"empty.dat", "", 0}, {"App", "", 64}}},
      {"chinese_names",
       {{"说明.txt", "中文内容"}, {"目录" + std::string(1, kSep) + "文件.txt", text}},
       {{"说明.txt", "", 2 | 8}, {"目录", "", 64}}},
  };
  for (const Seed& s : seeds) {
    std::string dir = tree + s.name;
    for (const auto& [path, content] : s.files)
      if (!Write(dir + kSep + path, content)) return false;
    // An empty folder keeps only its marker out of the package.
    platform::RemoveFile(dir + kSep + "Empty" + kSep + ".keep", nullptr);
    package::PackageRequest r;
    r.properties = {"种子", "Seed", work + kSep + s.name + ".exe", "Quorin", "1.0"};
    r.install_dat = dat;
    r.jobs = 1;
    for (package::EntryRow row : s.rows) {
      row.Folder = dir + kSep;
      r.entries.push_back(row);
    }
    NoProgress progress;
    package::BuildResult result = package::MakePackage(r, progress);
    if (result.outcome != package::BuildOutcome::kWritten) return Fail(result.message);
    std::string pkg;
    {
      auto f = platform::File::Open(r.properties.save_path, platform::File::Mode::kRead, &err);
      int64_t size = 0;
      if (!f || !f->Size(&size, &err)) return Fail(err);
      pkg.resize(static_cast<size_t>(size));
      if (!f->ReadExact(pkg.data(), pkg.size(), &err)) return Fail(err);
    }
    if (!Write(corpus + kSep + "package_reader" + kSep + s.name, pkg)) return false;
    package::PackageReader reader;
    if (!reader.Open(r.properties.save_path, &err)) return Fail(err);
    std::string uninst;
    auto collect = [&](const uint8_t* buf, size_t n, std::string*) {
      uninst.append(reinterpret_cast<const char*>(buf), n);
      return true;
    };
    if (!reader.DecodeRecord(reader.contents().files.size() - 1, collect, nullptr, &err))
      return Fail(err);
    if (!Write(corpus + kSep + "name_index" + kSep + s.name, uninst)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_package_seeds CORPUS_DIR\n");
    return 2;
  }
  const std::string work =
      platform::TempFolder() + kSep + "qr_seeds_" + std::to_string(QR_GETPID());
  std::string err;
  bool ok = platform::CreateDirectories(work, &err) ? MakeSeeds(argv[1], work) : Fail(err);
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(std::u8string(work.begin(), work.end())), ec);
  return ok ? 0 : 1;
}
