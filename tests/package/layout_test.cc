// XorBytes, coded strings, the trailer and the stub container.

#include "gtest/gtest.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/stub_container.h"
#include "package_test_util.h"

namespace {

using namespace package;
using namespace package_test;

XorKey KeyFrom(const std::string& bytes) {
  XorKey k;
  std::copy(bytes.begin(), bytes.end(), k.begin());
  return k;
}

std::string Coded(std::string data, const XorKey& key) {
  XorBytes(std::span<uint8_t>(reinterpret_cast<uint8_t*>(data.data()), data.size()), key);
  return data;
}

TEST(XorBytes, ShortDataUsesTheKeyIndexForIndex) {
  std::string key = KeyOf(MakeImage(12288, 9));
  XorKey k = KeyFrom(key);
  for (size_t n : {size_t{0}, size_t{1}, size_t{100}, size_t{8191}, size_t{8192}}) {
    std::string data = MakeImage(n, 3);
    std::string coded = Coded(data, k);
    ASSERT_EQ(coded, HandXor(data, key)) << n;
    if (n == 8192) {
      EXPECT_EQ(static_cast<uint8_t>(coded[8191]),
                static_cast<uint8_t>(data[8191] ^ key[8191] ^ 0x71));
    }
    EXPECT_EQ(Coded(coded, k), data) << "coding twice restores, n=" << n;
  }
}

TEST(XorBytes, LongDataCyclesThroughTheFirst8191KeyBytes) {
  std::string key = KeyOf(MakeImage(12288, 9));
  XorKey k = KeyFrom(key);
  std::string data = MakeImage(20000, 4);
  std::string coded = Coded(data, k);
  EXPECT_EQ(coded, HandXor(data, key));
  // Index 8191 wraps to key[0]; key[8191] is never used.
  EXPECT_EQ(static_cast<uint8_t>(coded[8191]), static_cast<uint8_t>(data[8191] ^ key[0] ^ 0x71));
  EXPECT_EQ(static_cast<uint8_t>(coded[16382]), static_cast<uint8_t>(data[16382] ^ key[0] ^ 0x71));
}

TEST(CodedString, LengthPrefixAndLimit) {
  std::string key = KeyOf(MakeImage(12288, 5));
  XorKey k = KeyFrom(key);
  std::string out, err;
  ASSERT_TRUE(AppendCodedString(&out, "", k, &err));
  EXPECT_EQ(out, std::string("\0\0", 2));
  out.clear();
  std::string longest(32767, 'x');
  ASSERT_TRUE(AppendCodedString(&out, longest, k, &err));
  EXPECT_EQ(out, HandCoded(longest, key));
  EXPECT_EQ(out.substr(0, 2), "\xFF\x7F");
  out.clear();
  EXPECT_FALSE(AppendCodedString(&out, std::string(32768, 'x'), k, &err));
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(err, msg::kCodedStringTooLong);
}

TEST(Trailer, EveryFieldIsMaskedInItsLowByte) {
  Trailer t{0x12345678, 20000, 3};
  std::string bytes = EncodeTrailer(t);
  EXPECT_EQ(bytes, LeI32(0x12345678 ^ 0x71) + LeI32(20000 ^ 0x71) + LeI32(3 ^ 0x71));
  uint8_t raw[kTrailerSize];
  std::copy(bytes.begin(), bytes.end(), raw);
  Trailer back = DecodeTrailer(raw);
  EXPECT_EQ(back.total, t.total);
  EXPECT_EQ(back.config_offset, t.config_offset);
  EXPECT_EQ(back.record_count, t.record_count);
}

TEST(StubContainer, TwoMembersBackToBackDecodeToTheImages) {
  ScratchDir dir;
  Container c = MakeContainer(dir);
  std::string bytes = ReadWholeFile(c.path);
  StubContainer sc;
  std::string err;
  ASSERT_TRUE(OpenStubContainer(c.path, &sc, &err)) << err;
  // L1 at 0, member 1's header at 4, member 2's length at L1 + 8, its header at L1 + 12.
  EXPECT_EQ(bytes.substr(0, 4), LeI32(sc.l1));
  EXPECT_EQ(bytes.substr(4, 4), LeI32(static_cast<int32_t>(c.setup_image.size())));
  int32_t l2 = static_cast<int32_t>(bytes.size()) - sc.l1 - 16;
  EXPECT_EQ(bytes.substr(sc.l1 + 8, 4), LeI32(l2));
  EXPECT_EQ(bytes.substr(sc.l1 + 12, 4), LeI32(static_cast<int32_t>(c.uninst_image.size())));
  EXPECT_EQ(sc.setup_size, static_cast<int32_t>(c.setup_image.size()));
  EXPECT_EQ(sc.uninst_size, static_cast<int32_t>(c.uninst_image.size()));

  for (auto [m, image] : {std::pair{StubMember::kSetup, c.setup_image},
                          std::pair{StubMember::kUninstaller, c.uninst_image}}) {
    auto out = platform::File::Open(dir / "m.out", platform::File::Mode::kCreateTruncate, &err);
    bool write_failed = false;
    ASSERT_TRUE(out && DecodeStubMember(sc, m, *out, nullptr, nullptr, &write_failed, &err)) << err;
    out.reset();
    EXPECT_TRUE(ReadWholeFile(dir / "m.out") == image);
  }
}

TEST(StubContainer, ImagesWithoutAWholeKeyAreRefused) {
  ScratchDir dir;
  PutFile(dir / "small.exe", MakeImage(12287, 1));
  PutFile(dir / "ok.exe", MakeImage(12288, 2));
  std::string err;
  EXPECT_FALSE(WriteStubContainer(dir / "small.exe", dir / "ok.exe", dir / "install.dat", &err));
  EXPECT_EQ(err, msg::kImageTooSmall + (dir / "small.exe"));
  EXPECT_FALSE(platform::PathExists(dir / "install.dat"));
  EXPECT_FALSE(WriteStubContainer(dir / "ok.exe", dir / "missing.exe", dir / "install.dat", &err));
  EXPECT_FALSE(platform::PathExists(dir / "install.dat"));
  EXPECT_TRUE(WriteStubContainer(dir / "ok.exe", dir / "ok.exe", dir / "install.dat", &err)) << err;
}

TEST(StubContainer, DamageGetsAClearMessage) {
  ScratchDir dir;
  Container c = MakeContainer(dir);
  std::string good = ReadWholeFile(c.path);
  const std::string lead = msg::kContainerDamaged;
  struct Case {
    std::string bytes;
    std::string why;
  } cases[] = {
      {"", msg::kContainerTooShort},
      {good.substr(0, 10), msg::kContainerTooShort},
      {LeI32(-5) + good.substr(4), msg::kContainerBadLength},
      {LeI32(static_cast<int32_t>(good.size())) + good.substr(4), msg::kContainerBadLength},
      {good.substr(0, 4) + LeI32(12287) + good.substr(8), msg::kStubTooSmall},
  };
  for (const Case& k : cases) {
    PutFile(dir / "bad.dat", k.bytes);
    StubContainer sc;
    std::string err;
    EXPECT_FALSE(OpenStubContainer(dir / "bad.dat", &sc, &err));
    EXPECT_EQ(err, lead + k.why);
  }
  // A member cut short opens but does not decode.
  PutFile(dir / "cut.dat", good.substr(0, good.size() - 100));
  StubContainer sc;
  std::string err;
  ASSERT_TRUE(OpenStubContainer(dir / "cut.dat", &sc, &err)) << err;
  auto out = platform::File::Open(dir / "u.out", platform::File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(out);
  bool write_failed = true;
  EXPECT_FALSE(
      DecodeStubMember(sc, StubMember::kUninstaller, *out, nullptr, nullptr, &write_failed, &err));
  EXPECT_FALSE(write_failed);
  // Said in the message's own words, without the decoder's English detail.
  EXPECT_EQ(err, lead + msg::kUninstUndecodable);
  // A container that cannot be read is named once, with the system's reason.
  std::string missing = dir / "missing.dat";
  EXPECT_FALSE(OpenStubContainer(missing, &sc, &err));
  std::string open_failure;
  EXPECT_FALSE(platform::File::Open(missing, platform::File::Mode::kRead, &open_failure));
  EXPECT_EQ(err, msg::kContainerUnreadable + missing + "（" +
                     platform::FailureReason(open_failure) + "）");
  EXPECT_FALSE(platform::FailureReason(open_failure).empty());
}

}  // namespace
