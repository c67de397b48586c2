#pragma once
// Helpers of the qrpack tests: running qrpack (the real program as a child
// process on POSIX, in-process in the Windows build, where a child under
// wine costs seconds), files and packages on disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/files.h"
#include "scratch_dir.h"

#ifndef _WIN32
#include "qrpack_child.h"
#else
struct ChildResult {
  int code = -1;
  int signal = 0;
  bool hung = false;
  std::string out;
  std::string err;
};
#endif

namespace cli_test {

inline std::string BinaryDir() {
  const char* bin = std::getenv("QR_BINARY_DIR");
  return bin ? bin : ".";
}

// The install.dat the build made (the Windows build keeps a copy of it).
inline std::string BuiltInstallDat() {
  return BinaryDir() + platform::kPathSeparator + "bin" + platform::kPathSeparator + "install.dat";
}

inline std::string Join(const std::string& a, const std::string& b) {
  return a + platform::kPathSeparator + b;
}

// Writes bytes at path, making the folders above it.
inline void Put(const std::string& path, const std::string& bytes) {
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(path.substr(0, path.find_last_of(platform::kPathSeparator)), &err))
      << err;
  ASSERT_TRUE(WriteWholeFile(path, bytes)) << path;
}

// The names in dir, sorted; empty when dir is missing.
inline std::vector<std::string> Listing(const std::string& dir) {
  std::vector<platform::DirEntry> entries;
  platform::ListDirectory(dir, &entries, nullptr);
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

// Runs qrpack with args in the folder cwd.
inline ChildResult Qrpack(const std::string& cwd, const std::vector<std::string>& args) {
#ifdef _WIN32
  std::ostringstream out, err;
  cli::Io io{out, err};
  std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(ScratchDir::FsPath(cwd));
  ChildResult r;
  r.code = cli::RunQrpack(args, io);
  std::filesystem::current_path(old);
  r.out = out.str();
  r.err = err.str();
  return r;
#else
  ChildOptions options;
  options.cwd = cwd;
  return RunQrpackChild(args, options);
#endif
}

// "build --install-dat <the built one> ..." with the rest of args.
inline std::vector<std::string> Build(std::vector<std::string> args) {
  args.insert(args.begin(), {"build", "--install-dat", BuiltInstallDat()});
  return args;
}

// Rewrites the stored name old_name of pkg as new_name (of the same length).
inline void RenameRecord(const std::string& pkg, const std::string& old_name,
                         const std::string& new_name) {
  ASSERT_EQ(old_name.size(), new_name.size());
  std::string bytes = ReadWholeFile(pkg);
  uint8_t key[8192];
  std::copy(bytes.begin() + 4096, bytes.begin() + 4096 + 8192, key);
  std::string coded_old;
  for (size_t i = 0; i < old_name.size(); ++i)
    coded_old.push_back(static_cast<char>(old_name[i] ^ key[i] ^ 0x71));
  size_t at = bytes.find(coded_old, 12288);
  ASSERT_NE(at, std::string::npos) << old_name;
  for (size_t i = 0; i < new_name.size(); ++i)
    bytes[at + i] = static_cast<char>(new_name[i] ^ key[i] ^ 0x71);
  ASSERT_TRUE(WriteWholeFile(pkg, bytes));
}

}  // namespace cli_test
