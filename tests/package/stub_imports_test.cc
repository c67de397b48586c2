// What the system loader does for setup.exe and uninst.exe before any of
// their code runs, read from the images this build packs into install.dat:
// they import only known DLLs, and their load configuration keeps every
// dependent load to System32.

#include <cstdlib>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "known_dlls.h"
#include "package/layout.h"
#include "package/pe_image.h"
#include "package/resource_tree.h"
#include "package/stub_container.h"
#include "package_test_util.h"

namespace {

using namespace package;

// LOAD_LIBRARY_SEARCH_SYSTEM32 of the Windows headers.
constexpr uint16_t kLoadLibrarySearchSystem32 = 0x800;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// The two programs as install.dat of this build carries them.
std::vector<std::pair<std::string, std::string>> BuiltPrograms() {
  std::vector<std::pair<std::string, std::string>> programs;
  const char* bin = std::getenv("QR_BINARY_DIR");
  if (!bin) {
    ADD_FAILURE() << "QR_BINARY_DIR is not set";
    return programs;
  }
  std::string install_dat = std::string(bin) + platform::kPathSeparator + "bin" +
                            platform::kPathSeparator + "install.dat";
  StubContainer c;
  std::string err;
  if (!OpenStubContainer(install_dat, &c, &err)) {
    ADD_FAILURE() << err;
    return programs;
  }
  ScratchDir dir;
  for (auto [member, name] : {std::pair{StubMember::kSetup, "setup.exe"},
                              std::pair{StubMember::kUninstaller, "uninst.exe"}}) {
    std::string path = dir / name;
    {
      auto out = platform::File::Open(path, platform::File::Mode::kCreateTruncate, &err);
      bool write_failed = false;
      if (!out || !DecodeStubMember(c, member, *out, nullptr, nullptr, &write_failed, &err)) {
        ADD_FAILURE() << name << ": " << err;
        continue;
      }
    }
    programs.emplace_back(name, ReadWholeFile(path));
  }
  return programs;
}

TEST(StubImports, BothProgramsImportOnlyKnownDllsAndKeepDependentLoadsToSystem32) {
  auto programs = BuiltPrograms();
  ASSERT_EQ(programs.size(), 2u);
  for (const auto& [name, image] : programs) {
    SCOPED_TRACE(name);
    std::vector<std::string> dlls;
    std::string err;
    ASSERT_TRUE(PeImportedDlls(Bytes(image), &dlls, &err)) << err;
    EXPECT_FALSE(dlls.empty());
    for (const std::string& dll : dlls)
      EXPECT_TRUE(stubtest::IsAllowedImport(dll))
          << dll << " is no known DLL: load it at run time from System32 (stub/system_dll.h)";
    std::optional<uint16_t> flags = PeDependentLoadFlags(Bytes(image));
    ASSERT_TRUE(flags.has_value()) << "no load configuration with DependentLoadFlags";
    EXPECT_EQ(*flags, kLoadLibrarySearchSystem32);
  }
}

// Only the setup program reads compact packages, and says so where the
// builder looks before it writes one.
TEST(StubImports, OnlyTheSetupProgramDeclaresThatItReadsCompactPackages) {
  auto programs = BuiltPrograms();
  ASSERT_EQ(programs.size(), 2u);
  std::u16string name(std::begin(kSolidResourceName), std::end(kSolidResourceName) - 1);
  for (const auto& [file, image] : programs) {
    SCOPED_TRACE(file);
    std::vector<Resource> resources;
    std::string err;
    ASSERT_TRUE(ReadResources(Bytes(image), ParsePeHeaders(Bytes(image)), &resources, &err)) << err;
    const Resource* mark = FindResource(resources, kRtRcData, ResourceId{0, name});
    if (file == std::string("setup.exe")) {
      ASSERT_NE(mark, nullptr);
      EXPECT_EQ(mark->data, kSolidLayoutVersion);
    } else {
      EXPECT_EQ(mark, nullptr);
    }
  }
}

// A damaged directory is an error, never a read past the image: every cut
// of a real program either reads or says why.
TEST(StubImports, ACutImageIsReadWithinItsBytes) {
  auto programs = BuiltPrograms();
  ASSERT_FALSE(programs.empty());
  const std::string& image = programs.front().second;
  std::vector<std::string> whole;
  std::string err;
  ASSERT_TRUE(PeImportedDlls(Bytes(image), &whole, &err)) << err;
  size_t failed = 0;
  for (size_t n = 0; n < image.size(); n += 97) {
    std::vector<uint8_t> cut(image.begin(), image.begin() + static_cast<long>(n));
    std::vector<std::string> dlls;
    if (!PeImportedDlls(cut, &dlls, &err)) ++failed;
    else EXPECT_EQ(dlls, whole) << "cut at " << n;
    PeDependentLoadFlags(cut);
  }
  EXPECT_GT(failed, 0u);
  std::vector<std::string> dlls;
  EXPECT_FALSE(PeImportedDlls(Bytes("MZ"), &dlls, &err));
}

}  // namespace
