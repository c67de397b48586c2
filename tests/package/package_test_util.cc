#include "package_test_util.h"

#include <cstdio>
#include <filesystem>

#include "gtest/gtest.h"
#include "package/stub_container.h"
#include "platform/files.h"

namespace package_test {

std::string MakeImage(size_t n, uint8_t seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + (i >> 9) * 13 + seed) & 0xFF);
  return s;
}

std::string KeyOf(const std::string& image) { return image.substr(4096, 8192); }

std::string HandXor(const std::string& data, const std::string& key) {
  std::string out = data;
  for (size_t i = 0; i < out.size(); ++i) {
    size_t j = out.size() <= 8192 ? i : i % 8191;
    out[i] = static_cast<char>(out[i] ^ key[j] ^ 0x71);
  }
  return out;
}

std::string LeI32(int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  return {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
          static_cast<char>((u >> 16) & 0xFF), static_cast<char>(u >> 24)};
}

std::string LeI16(int16_t v) {
  uint16_t u = static_cast<uint16_t>(v);
  return {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
}

std::string HandCoded(const std::string& bytes, const std::string& key) {
  return LeI16(static_cast<int16_t>(bytes.size())) + HandXor(bytes, key);
}

::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
  auto hex = [](const std::string& s, size_t at) {
    std::string out;
    char buf[4];
    for (size_t k = at; k < s.size() && k < at + 16; ++k) {
      std::snprintf(buf, sizeof buf, "%02X ", static_cast<uint8_t>(s[k]));
      out += buf;
    }
    return out;
  };
  return ::testing::AssertionFailure()
         << "sizes " << actual.size() << " and " << expected.size() << ", first difference at "
         << i << ": actual " << hex(actual, i) << "| expected " << hex(expected, i);
}

void PutDir(const std::string& path) {
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(path, &err)) << err;
}

void PutFile(const std::string& path, const std::string& bytes) {
  size_t sep = path.find_last_of(platform::kPathSeparator);
  if (sep != std::string::npos) PutDir(path.substr(0, sep));
  ASSERT_TRUE(WriteWholeFile(path, bytes)) << path;
}

Container MakeContainer(const ScratchDir& dir, size_t setup_size, size_t uninst_size) {
  return MakeContainerOf(dir, MakeImage(setup_size, 1), MakeImage(uninst_size, 2));
}

Container MakeContainerOf(const ScratchDir& dir, std::string setup_image, std::string uninst_image) {
  Container c;
  c.setup_image = std::move(setup_image);
  c.uninst_image = std::move(uninst_image);
  c.path = dir / "install.dat";
  PutFile(dir / "setup.exe", c.setup_image);
  PutFile(dir / "uninst.exe", c.uninst_image);
  std::string err;
  EXPECT_TRUE(package::WriteStubContainer(dir / "setup.exe", dir / "uninst.exe", c.path, &err))
      << err;
  return c;
}

std::vector<std::string> FilesStartingWith(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> found;
  std::vector<platform::DirEntry> entries;
  platform::ListDirectory(dir, &entries, nullptr);
  for (const auto& e : entries)
    if (e.name.compare(0, prefix.size(), prefix) == 0) found.push_back(e.name);
  return found;
}

package::PackageRequest DefaultRequest(const std::string& install_dat,
                                       const std::string& save_path) {
  package::PackageRequest r;
  r.properties = {"测试", "QrSetup", save_path, "Quorin软件工作室", "1.0.0.0"};
  r.install_dat = install_dat;
  return r;
}

package::EntryRow RowFor(const std::string& path, int32_t flags) {
  size_t sep = path.find_last_of(platform::kPathSeparator);
  package::EntryRow row;
  row.Folder = path.substr(0, sep + 1);
  row.Name = path.substr(sep + 1);
  row.Flags = flags;
  return row;
}

}  // namespace package_test

#ifdef _WIN32
#include <windows.h>
#include <cstdlib>
#else
#include <cstdlib>
#endif

namespace package_test {
namespace {
#ifdef _WIN32
constexpr char kTempVar[] = "TMP";
void SetVar(const std::string& value, bool set) {
  std::wstring w(value.begin(), value.end());  // test folders are ASCII
  SetEnvironmentVariableW(L"TMP", set ? w.c_str() : nullptr);
  SetEnvironmentVariableW(L"TEMP", set ? w.c_str() : nullptr);
}
#else
constexpr char kTempVar[] = "TMPDIR";
void SetVar(const std::string& value, bool set) {
  if (set) setenv(kTempVar, value.c_str(), 1);
  else unsetenv(kTempVar);
}
#endif
}  // namespace

TempFolderOverride::TempFolderOverride(const std::string& path) {
  const char* old = std::getenv(kTempVar);
  had_old_ = old != nullptr;
  if (old) old_ = old;
  SetVar(path, true);
}

TempFolderOverride::~TempFolderOverride() { SetVar(old_, had_old_); }

}  // namespace package_test
