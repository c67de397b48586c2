// Packages with a digest of themselves and packages signed like Authenticode
// tools sign: which bytes the digest covers, what signing may change, and
// where a reader finds the package below a certificate table.

#include <functional>

#include "gtest/gtest.h"
#include "package/image_digest.h"
#include "package/messages.h"
#include "package/name_index.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package/stub_container.h"
#include "package_test_util.h"
#include "test_signing.h"

namespace {

using namespace package;
using namespace package_test;
using test_signing::DigestSection;

constexpr size_t kSetupSize = 20480;
constexpr size_t kUninstSize = 16896;

std::string Flipped(std::string bytes, size_t at) {
  bytes.at(at) = static_cast<char>(bytes[at] ^ 0x20);
  return bytes;
}

class SignedPackageTest : public ::testing::Test {
 protected:
  // Builds the package from images with the given section; the payload's
  // last file is cut so that the package's length is 5 more than a multiple
  // of 8, and a signer has zero bytes to pad.
  void Build(DigestSection section) {
    container_ = MakeContainerOf(dir_, test_signing::MakePeImage(kSetupSize, 1, section),
                                 test_signing::MakePeImage(kUninstSize, 2, section));
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + "\n";
    PutFile(dir_ / "App" + sep_ + "a.txt", text);
    PutFile(dir_ / "App" + sep_ + "b.bin", std::string(70000, 'b'));
    std::string program = "program";
    for (uint32_t x = 12345; program.size() < 40; program += static_cast<char>(x >> 24))
      x = x * 1103515245u + 12345u;
    for (size_t extra = 0; extra < 16; ++extra) {
      PutFile(dir_ / "run.exe", program.substr(0, 8 + extra));
      PackageRequest r = DefaultRequest(container_.path, pkg_);
      r.entries = {RowFor(dir_ / "App", entries::Directory), RowFor(dir_ / "run.exe", 1 | 4)};
      RecordingProgress progress;
      ASSERT_EQ(MakePackage(r, progress).outcome, BuildOutcome::kWritten);
      good_ = ReadWholeFile(pkg_);
      if (good_.size() % 8 == 5) break;
    }
    ASSERT_EQ(good_.size() % 8, 5u);
    std::string err;
    ASSERT_TRUE(reader_.Open(pkg_, &err)) << err;
    contents_ = reader_.contents();
  }

  // Opens bytes as a package and checks its digest: "" when both pass, else
  // the message.
  std::string Check(const std::string& bytes, PackageContents* contents = nullptr) {
    EXPECT_TRUE(WriteWholeFile(dir_ / "check.exe", bytes));
    PackageReader reader;
    std::string err;
    if (!reader.Open(dir_ / "check.exe", &err)) return "open: " + err;
    if (contents) *contents = reader.contents();
    if (!reader.VerifyDigest(nullptr, nullptr, &err)) return "digest: " + err;
    return "";
  }

  int64_t FieldAt(const std::string& image) {
    return DigestFieldOffset(ParsePeHeaders(std::span<const uint8_t>(
                                 reinterpret_cast<const uint8_t*>(image.data()), image.size())),
                             static_cast<int64_t>(image.size()));
  }

  ScratchDir dir_, tmp_;
  TempFolderOverride temp_override_{tmp_.path()};
  const std::string sep_{platform::kPathSeparator};
  std::string pkg_ = dir_ / "p.exe";
  Container container_;
  std::string good_;
  PackageReader reader_;
  PackageContents contents_;
};

TEST_F(SignedPackageTest, TheWriterFillsInOnlyTheDigestOfTheStubImage) {
  ASSERT_NO_FATAL_FAILURE(Build(DigestSection::kEmptyField));
  const ImageData& image = reader_.image();
  ASSERT_EQ(image.digest, DigestState::kFilled);
  EXPECT_EQ(image.covered, static_cast<int64_t>(good_.size()));
  EXPECT_FALSE(image.signed_file);
  EXPECT_EQ(Check(good_), "");
  // The stub image is copied unchanged but for the field's length and value.
  int64_t field = FieldAt(container_.setup_image);
  ASSERT_GE(field, 12288);
  std::string stub = good_.substr(0, kSetupSize);
  EXPECT_NE(stub, container_.setup_image);
  stub.replace(static_cast<size_t>(field) + 16, 40, container_.setup_image, static_cast<size_t>(field) + 16, 40);
  EXPECT_TRUE(SameBytes(stub, container_.setup_image));
}

TEST_F(SignedPackageTest, OneChangedByteAnywhereIsRefused) {
  ASSERT_NO_FATAL_FAILURE(Build(DigestSection::kEmptyField));
  const PackageContents& c = contents_;
  size_t config = static_cast<size_t>(c.stub_size);
  size_t options = config + 2 + c.config_text_gbk.size() + 2;
  const FileRecord& first = c.files[0];
  const FileRecord& uninst = c.files.back();
  size_t field = static_cast<size_t>(FieldAt(container_.setup_image));
  struct Region {
    const char* what;
    size_t at;
  } regions[] = {
      {"stub code", 0x600},
      {"XorKey", 5000},
      {"configuration text", config + 2 + 4},
      {"option record name", options + 1 + 2},
      {"a file's stream", static_cast<size_t>(first.StreamOffset()) + 4 + first.compLen / 2},
      {"the uninstaller's stream", static_cast<size_t>(uninst.StreamOffset()) + 4 + uninst.compLen / 2},
      {"the trailer's total", good_.size() - 12},
      {"the digest's value", field + 24 + 5},
  };
  for (const Region& r : regions) {
    std::string why = Check(Flipped(good_, r.at));
    EXPECT_NE(why, "") << r.what;
  }
  // The layout alone cannot see these: the digest refuses them.
  for (const Region& r : {regions[2], regions[3], regions[4], regions[5], regions[6]})
    EXPECT_EQ(Check(Flipped(good_, r.at)),
              std::string("digest: ") + msg::kPackageDamaged + msg::kDigestMismatch) << r.what;
  // A changed length, and a package cut or lengthened.
  EXPECT_EQ(Check(Flipped(good_, field + 16)),
            std::string("open: ") + msg::kPackageDamaged + msg::kDigestLengthMismatch);
  EXPECT_EQ(Check(good_ + "x"), std::string("open: ") + msg::kPackageDamaged + msg::kDigestLengthMismatch);
  EXPECT_NE(Check(good_.substr(0, good_.size() - 1)), "");
}

TEST_F(SignedPackageTest, WhatSigningChangesIsLeftOut) {
  ASSERT_NO_FATAL_FAILURE(Build(DigestSection::kEmptyField));
  size_t checksum = test_signing::ChecksumOffset(good_);
  size_t entry = test_signing::CertEntryOffset(good_);
  EXPECT_EQ(Check(Flipped(Flipped(good_, checksum), checksum + 3)), "");
  // A directory entry that names no table at the end changes nothing either.
  EXPECT_EQ(Check(Flipped(Flipped(good_, entry + 1), entry + 6)), "");
  // The byte before the checksum and after the entry are covered.
  EXPECT_NE(Check(Flipped(good_, checksum - 1)), "");
  EXPECT_NE(Check(Flipped(good_, entry + 8)), "");

  std::string signed_pkg = test_signing::Signed(good_, 1504, true, 7);
  ASSERT_EQ(signed_pkg.size(), good_.size() + 3 + 1504);
  PackageContents c;
  EXPECT_EQ(Check(signed_pkg, &c), "");
  EXPECT_EQ(c.data_end, static_cast<int64_t>(good_.size()));
  // The table's bytes, and signing again with another table.
  EXPECT_EQ(Check(Flipped(signed_pkg, signed_pkg.size() - 100)), "");
  EXPECT_EQ(Check(test_signing::Signed(signed_pkg, 2048, true, 9)), "");
  // The package's last byte, just below the padding, is covered.
  EXPECT_NE(Check(Flipped(signed_pkg, good_.size() - 1)), "");
  // A signature removed again leaves the padding behind.
  EXPECT_EQ(Check(test_signing::Unsigned(signed_pkg)), "");
}

TEST_F(SignedPackageTest, SignedPackagesReadBelowTheTableWithAndWithoutPadding) {
  ASSERT_NO_FATAL_FAILURE(Build(DigestSection::kEmptyField));
  for (bool pad : {true, false}) {
    std::string signed_pkg = test_signing::Signed(good_, 1024, pad, 3);
    PackageContents c;
    ASSERT_EQ(Check(signed_pkg, &c), "") << pad;
    EXPECT_EQ(c.data_end, static_cast<int64_t>(good_.size()));
    EXPECT_EQ(c.file_size, static_cast<int64_t>(signed_pkg.size()));
    ASSERT_EQ(c.files.size(), contents_.files.size());
    for (size_t i = 0; i < c.files.size(); ++i) {
      EXPECT_EQ(c.files[i].rel_path, contents_.files[i].rel_path);
      EXPECT_EQ(c.files[i].compLen, contents_.files[i].compLen);
    }
  }
}

TEST_F(SignedPackageTest, AForeignStubGivesTodaysBytesAndIsReadUncheckedWhenSigned) {
  ASSERT_NO_FATAL_FAILURE(Build(DigestSection::kNone));
  EXPECT_TRUE(SameBytes(good_.substr(0, kSetupSize), container_.setup_image));
  EXPECT_EQ(reader_.image().digest, DigestState::kNone);
  const FileRecord& first = contents_.files[0];
  // Unchecked: a changed byte of a stream is not seen (as before).
  EXPECT_EQ(Check(Flipped(good_, static_cast<size_t>(first.StreamOffset()) + 4 + first.compLen / 2)), "");
  // Signed, with padding: the trailer is found among the zero bytes (the
  // package's own trailer ends with zero bytes too).
  ASSERT_EQ(good_.substr(good_.size() - 3), std::string(3, '\0'));
  for (bool pad : {true, false}) {
    std::string signed_pkg = test_signing::Signed(good_, 1024, pad, 3);
    PackageContents c;
    ASSERT_EQ(Check(signed_pkg, &c), "") << pad;
    EXPECT_EQ(c.data_end, static_cast<int64_t>(good_.size())) << pad;
    EXPECT_EQ(c.files.size(), contents_.files.size());
    EXPECT_EQ(Check(test_signing::Unsigned(signed_pkg), &c), "");
    EXPECT_EQ(c.data_end, static_cast<int64_t>(good_.size()));
  }
}

TEST_F(SignedPackageTest, AFieldLeftEmptyByItsWriterIsUnchecked) {
  ASSERT_NO_FATAL_FAILURE(Build(DigestSection::kEmptyField));
  size_t field = static_cast<size_t>(FieldAt(container_.setup_image));
  std::string empty = good_;
  empty.replace(field + 16, 8, std::string(8, '\0'));
  const FileRecord& first = contents_.files[0];
  EXPECT_EQ(Check(Flipped(empty, static_cast<size_t>(first.StreamOffset()) + 4 + first.compLen / 2)), "");
  WriteWholeFile(dir_ / "empty.exe", empty);
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(dir_ / "empty.exe", &err)) << err;
  EXPECT_EQ(reader.image().digest, DigestState::kUnfilled);
}

TEST_F(SignedPackageTest, TheUninstallerCarriesADigestOfItselfAndItsIndex) {
  ASSERT_NO_FATAL_FAILURE(Build(DigestSection::kEmptyField));
  std::string uninst = dir_ / "uninst.out";
  std::string err;
  ASSERT_TRUE(reader_.DecodeRecordToFile(contents_.files.size() - 1, uninst, nullptr, &err)) << err;
  std::string good = ReadWholeFile(uninst);
  auto check = [&](const std::string& bytes) {
    EXPECT_TRUE(WriteWholeFile(uninst, bytes));
    std::string e;
    NameIndex index;
    if (!ReadNameIndex(uninst, &index, &e)) return "index: " + e;
    if (!CheckUninstaller(uninst, &e)) return "digest: " + e;
    return std::string(index.rel_paths.size() == 3 ? "" : "count");
  };
  EXPECT_EQ(check(good), "");
  std::string damaged = std::string("digest: ") + msg::kUninstallerDamaged + msg::kDigestMismatch;
  EXPECT_EQ(check(Flipped(good, kUninstSize + 5)), damaged);  // a name in the index
  EXPECT_EQ(check(Flipped(good, 0x700)), damaged);            // the program
  for (bool pad : {true, false}) {
    std::string signed_uninst = test_signing::Signed(good, 1200, pad, 5);
    EXPECT_EQ(check(signed_uninst), "") << pad;
    EXPECT_EQ(check(Flipped(signed_uninst, kUninstSize + 5)), damaged) << pad;
  }
  EXPECT_EQ(check(good + "x"), std::string("index: ") + msg::kNameIndexDamaged + msg::kDigestLengthMismatch);
}

TEST_F(SignedPackageTest, AForeignUninstallerIsReadBelowItsTableUnchecked) {
  ASSERT_NO_FATAL_FAILURE(Build(DigestSection::kNone));
  std::string uninst = dir_ / "uninst.out";
  std::string err;
  ASSERT_TRUE(reader_.DecodeRecordToFile(contents_.files.size() - 1, uninst, nullptr, &err)) << err;
  std::string good = ReadWholeFile(uninst);
  ASSERT_TRUE(WriteWholeFile(uninst, test_signing::Signed(Flipped(good, 0x700), 1024, true, 2)));
  NameIndex index;
  ASSERT_TRUE(ReadNameIndex(uninst, &index, &err)) << err;
  EXPECT_EQ(index.image_size, static_cast<int64_t>(kUninstSize));
  EXPECT_EQ(index.rel_paths.size(), 3u);
  EXPECT_TRUE(CheckUninstaller(uninst, &err)) << err;
}

TEST_F(SignedPackageTest, ADigestSectionTheWriterCannotFillIsRefusedForTheContainer) {
  std::string inside = test_signing::MakePeImage(kSetupSize, 1, DigestSection::kInsideTheKey);
  EXPECT_EQ(FieldAt(inside), -1);
  PutFile(dir_ / "inside.exe", inside);
  PutFile(dir_ / "plain.exe", test_signing::MakePeImage(kUninstSize, 2, DigestSection::kEmptyField));
  std::string err;
  EXPECT_FALSE(WriteStubContainer(dir_ / "inside.exe", dir_ / "plain.exe", dir_ / "x.dat", &err));
  EXPECT_EQ(err, msg::kBadDigestSection + (dir_ / "inside.exe"));
  EXPECT_FALSE(platform::PathExists(dir_ / "x.dat"));
  EXPECT_TRUE(WriteStubContainer(dir_ / "plain.exe", dir_ / "plain.exe", dir_ / "y.dat", &err)) << err;
}

}  // namespace
