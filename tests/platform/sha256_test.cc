#include "platform/sha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Hex(const platform::Sha256Digest& d) {
  std::string s;
  char buf[3];
  for (uint8_t b : d) {
    snprintf(buf, sizeof buf, "%02x", b);
    s += buf;
  }
  return s;
}

// The digest of data fed in pieces of the given size.
std::string DigestInPieces(const std::string& data, size_t piece) {
  platform::Sha256 sha;
  for (size_t at = 0; at < data.size(); at += piece)
    sha.Update(data.data() + at, std::min(piece, data.size() - at));
  platform::Sha256Digest d{};
  std::string err;
  if (!sha.Finish(&d, &err)) return "error: " + err;
  return Hex(d);
}

TEST(Sha256Test, PublishedDigests) {
  EXPECT_EQ(DigestInPieces("", 1), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(DigestInPieces("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  std::string two_blocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(DigestInPieces(two_blocks, 7),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  std::string million(1000000, 'a');
  for (size_t piece : {1000000, 65536, 999})
    EXPECT_EQ(DigestInPieces(million, piece),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0")
        << piece;
}

TEST(Sha256Test, ADigestIsGivenOnce) {
  platform::Sha256 sha;
  sha.Update("abc", 3);
  platform::Sha256Digest d{};
  std::string err;
  ASSERT_TRUE(sha.Finish(&d, &err)) << err;
  EXPECT_FALSE(sha.Finish(&d, &err));
  EXPECT_FALSE(err.empty());
}

}  // namespace
