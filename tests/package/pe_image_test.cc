// The PE headers the package code reads, on test images, on damaged headers
// and on the setup stub and uninstaller this build made.

#include <cstdlib>
#include <vector>

#include "gtest/gtest.h"
#include "package/image_digest.h"
#include "package/layout.h"
#include "package/pe_image.h"
#include "package/stub_container.h"
#include "package_test_util.h"
#include "test_signing.h"

namespace {

using namespace package;
using test_signing::DigestSection;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(PeImage, FindsTheFieldsSigningChangesAndTheSections) {
  std::string image = test_signing::MakePeImage(20480, 1, DigestSection::kEmptyField);
  PeHeaders pe = ParsePeHeaders(Bytes(image));
  ASSERT_TRUE(pe.is_pe);
  EXPECT_EQ(pe.checksum_at, static_cast<int64_t>(test_signing::ChecksumOffset(image)));
  EXPECT_EQ(pe.cert_entry_at, static_cast<int64_t>(test_signing::CertEntryOffset(image)));
  EXPECT_EQ(pe.cert_offset, 0u);
  ASSERT_EQ(pe.sections.size(), 2u);
  EXPECT_EQ(pe.sections[0].name, ".text");
  ASSERT_NE(pe.FindSection(".qrdig"), nullptr);
  EXPECT_EQ(pe.FindSection(".qrdig")->raw_offset, 20480 - 512);
  EXPECT_EQ(DigestFieldOffset(pe, 20480), 20480 - 512);
  EXPECT_EQ(DigestFieldOffset(pe, 20480 - 512 + 56), 20480 - 512);
  EXPECT_EQ(DigestFieldOffset(pe, 20480 - 512 + 55), -1) << "a field must lie whole below the limit";

  std::string signed_image = test_signing::Signed(image, 64, true, 1);
  pe = ParsePeHeaders(Bytes(signed_image));
  EXPECT_EQ(pe.cert_offset, 20480u);
  EXPECT_EQ(pe.cert_size, 64u);
  EXPECT_TRUE(HasTrailingCertTable(pe, static_cast<int64_t>(signed_image.size())));
  EXPECT_FALSE(HasTrailingCertTable(pe, static_cast<int64_t>(signed_image.size()) + 1));
}

TEST(PeImage, AnythingElseIsNoImageAndNothingIsReadPastTheBytes) {
  EXPECT_FALSE(ParsePeHeaders(Bytes(package_test::MakeImage(20000, 1))).is_pe);
  EXPECT_FALSE(ParsePeHeaders(Bytes("")).is_pe);
  std::string image = test_signing::MakePeImage(16384, 1, DigestSection::kEmptyField);
  // Every cut of the headers parses without reading past its end.
  for (size_t n = 0; n <= 0x400; ++n) {
    std::vector<uint8_t> head(image.begin(), image.begin() + static_cast<long>(n));
    PeHeaders pe = ParsePeHeaders(head);
    if (pe.checksum_at >= 0) {
      EXPECT_LE(pe.checksum_at + 4, static_cast<int64_t>(n));
    }
    if (pe.cert_entry_at >= 0) {
      EXPECT_LE(pe.cert_entry_at + 8, static_cast<int64_t>(n));
    }
  }
  // A header offset pointing anywhere, and huge counts.
  std::string bad = image;
  for (uint32_t e_lfanew : {0u, 0x3Cu, 0xFFFFu, 0xFFFFFFF0u}) {
    for (int i = 0; i < 4; ++i) bad[0x3C + i] = static_cast<char>((e_lfanew >> (8 * i)) & 0xFF);
    PeHeaders pe = ParsePeHeaders(Bytes(bad));
    EXPECT_FALSE(pe.is_pe && pe.FindSection(".qrdig")) << e_lfanew;
  }
  bad = image;
  bad[0x86] = bad[0x87] = static_cast<char>(0xFF);  // NumberOfSections
  EXPECT_LE(ParsePeHeaders(Bytes(bad)).sections.size(), bad.size() / 40);
}

TEST(PeImage, DataEndsAtTheTableOrAmongTheZeroBytesBelowIt) {
  ScratchDir dir;
  std::string image = test_signing::MakePeImage(16384, 1, DigestSection::kNone);
  auto ends_of = [&](const std::string& bytes) {
    EXPECT_TRUE(WriteWholeFile(dir / "f", bytes));
    std::string err;
    auto f = platform::File::Open(dir / "f", platform::File::Mode::kRead, &err);
    PeHeaders pe;
    std::vector<int64_t> ends;
    EXPECT_TRUE(f && ReadPeHeaders(*f, static_cast<int64_t>(bytes.size()), &pe, &err) &&
                DataEndCandidates(*f, static_cast<int64_t>(bytes.size()), pe, &ends, &err))
        << err;
    return ends;
  };
  std::string data = image + "payload" + std::string(2, '\0');  // 16393 bytes
  EXPECT_EQ(ends_of(data), (std::vector<int64_t>{16393, 16392, 16391}));
  EXPECT_EQ(ends_of(image + "payload!"), (std::vector<int64_t>{16392}));
  // Signed: padded to 16400, the table after it.
  EXPECT_EQ(ends_of(test_signing::Signed(data, 32, true, 1)),
            (std::vector<int64_t>{16400, 16399, 16398, 16397, 16396, 16395, 16394, 16393}));
  EXPECT_EQ(ends_of(test_signing::Signed(image + "payload!", 32, false, 1)), (std::vector<int64_t>{16392}));
}

// The setup stub and the uninstaller of this build carry a field the writer
// can fill: a section ".qrdig" holding the empty field, outside the XorKey.
TEST(PeImage, TheBuildsProgramsCarryAnEmptyFieldOutsideTheKey) {
  const char* bin = std::getenv("QR_BINARY_DIR");
  ASSERT_NE(bin, nullptr);
  std::string install_dat = std::string(bin) + platform::kPathSeparator + "bin" +
                            platform::kPathSeparator + "install.dat";
  StubContainer c;
  std::string err;
  ASSERT_TRUE(OpenStubContainer(install_dat, &c, &err)) << err;
  ScratchDir dir;
  for (StubMember m : {StubMember::kSetup, StubMember::kUninstaller}) {
    auto out = platform::File::Open(dir / "image.exe", platform::File::Mode::kCreateTruncate, &err);
    bool write_failed = false;
    ASSERT_TRUE(out && DecodeStubMember(c, m, *out, nullptr, nullptr, &write_failed, &err)) << err;
    ImageData image;
    ASSERT_TRUE(ReadImageData(*out, &image, &err)) << err;
    EXPECT_TRUE(image.pe.is_pe);
    EXPECT_EQ(image.digest, DigestState::kUnfilled);
    EXPECT_GE(image.field_at, kMinImageSize);
    EXPECT_FALSE(image.signed_file);
  }
}

}  // namespace
