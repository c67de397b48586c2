#pragma once
// Program images and signatures for tests, made without the code under test:
// a minimal PE image with or without the digest section, and a dummy
// signature applied the way Authenticode tools change a file.

#include <cstddef>
#include <cstdint>
#include <string>

namespace test_signing {

enum class DigestSection {
  kNone,         // a foreign program: no ".qrdig" section
  kEmptyField,   // ".qrdig" at the image's end, holding the empty field
  kInsideTheKey, // ".qrdig" at offset 8192, inside bytes 4096..12287
};

// A PE32+ image of n bytes (n >= 16384, a multiple of 512): headers, a
// ".text" section over the rest but the last 512 bytes, which are the
// ".qrdig" section when asked for. Every byte from 0x400 on is a function of
// its offset and seed, so images with different seeds have different keys.
std::string MakePeImage(size_t n, uint8_t seed, DigestSection section);

// Offsets of the fields signing changes, found on their own from the headers.
size_t ChecksumOffset(const std::string& pe);
size_t CertEntryOffset(const std::string& pe);

// The file signed with a dummy signature of table_size bytes (a multiple of
// 8, at least 16): a table the file has already is removed first
// (re-signing); then zero bytes up to a multiple of 8 when pad, the table (a
// WIN_CERTIFICATE header and bytes made from seed), the security directory
// pointed at it and a fresh PE checksum.
std::string Signed(std::string file, uint32_t table_size, bool pad, uint32_t seed);

// The file without its table and with its security directory cleared, the
// padding left in place (as osslsigncode remove-signature does).
std::string Unsigned(std::string file);

}  // namespace test_signing
