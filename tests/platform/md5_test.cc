#include "platform/md5.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "scratch_dir.h"

namespace {

std::string Hex(const platform::Md5Digest& d) {
  std::string s;
  char buf[3];
  for (uint8_t b : d) {
    snprintf(buf, sizeof buf, "%02x", b);
    s += buf;
  }
  return s;
}

std::string DigestOf(const std::string& path) {
  platform::Md5Digest d{};
  std::string err;
  if (!platform::Md5OfFile(path, &d, &err)) return "error: " + err;
  return Hex(d);
}

TEST(Md5Test, KnownDigests) {
  ScratchDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "abc", "abc"));
  EXPECT_EQ(DigestOf(dir / "abc"), "900150983cd24fb0d6963f7d28e17f72");
  ASSERT_TRUE(WriteWholeFile(dir / "empty", ""));
  EXPECT_EQ(DigestOf(dir / "empty"), "d41d8cd98f00b204e9800998ecf8427e");
  ASSERT_TRUE(WriteWholeFile(dir / "small", std::string(5, '\0') + "\x0f"));
  EXPECT_EQ(DigestOf(dir / "small"), "9ba0c171b7b0c5f00fabb894b279f067");
}

TEST(Md5Test, FileLargerThanOneReadChunk) {
  ScratchDir dir;
  std::string data(2500000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
  ASSERT_TRUE(WriteWholeFile(dir / "big", data));
  EXPECT_EQ(DigestOf(dir / "big"), "e4ba78c2ad1363c0febf13fe03f60abb");
}

TEST(Md5Test, MissingFileFails) {
  ScratchDir dir;
  platform::Md5Digest d{};
  std::string err;
  EXPECT_FALSE(platform::Md5OfFile(dir / "install.dat", &d, &err));
  EXPECT_NE(err.find("install.dat"), std::string::npos) << err;
}

}  // namespace
