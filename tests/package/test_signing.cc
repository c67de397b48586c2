#include "test_signing.h"

#include <cstring>
#include <stdexcept>

namespace test_signing {
namespace {

constexpr size_t kPeAt = 0x80;
constexpr size_t kOptionalAt = kPeAt + 4 + 20;
constexpr size_t kOptionalSize = 240;  // PE32+ with 16 data directories
constexpr size_t kSectionTableAt = kOptionalAt + kOptionalSize;
constexpr size_t kSectionPiece = 512;

void Put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
  return v;
}

void PutSection(std::string& s, int index, const char* name, uint32_t raw_offset, uint32_t raw_size) {
  size_t at = kSectionTableAt + static_cast<size_t>(index) * 40;
  std::memcpy(&s[at], name, std::strlen(name));
  Put32(s, at + 8, raw_size);                    // VirtualSize
  Put32(s, at + 12, 0x1000 * (index + 1));       // VirtualAddress
  Put32(s, at + 16, raw_size);                   // SizeOfRawData
  Put32(s, at + 20, raw_offset);                 // PointerToRawData
  Put32(s, at + 36, 0x40000040);                 // initialized data, readable
}

// The PE checksum: 16-bit one's-complement-style sum of the file without the
// checksum field, plus the file's length.
uint32_t PeChecksum(const std::string& s, size_t checksum_at) {
  uint64_t sum = 0;
  for (size_t i = 0; i < s.size(); i += 2) {
    if (i == checksum_at || i == checksum_at + 2) continue;
    uint32_t word = static_cast<uint8_t>(s[i]) | (i + 1 < s.size() ? static_cast<uint8_t>(s[i + 1]) << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + s.size());
}

}  // namespace

std::string MakePeImage(size_t n, uint8_t seed, DigestSection section) {
  if (n < 16384 || n % kSectionPiece != 0) throw std::invalid_argument("MakePeImage: bad size");
  std::string s(n, '\0');
  for (size_t i = 0x400; i < n; ++i) s[i] = static_cast<char>((i * 7 + (i >> 9) * 13 + seed) & 0xFF);
  s[0] = 'M';
  s[1] = 'Z';
  Put32(s, 0x3C, kPeAt);
  std::memcpy(&s[kPeAt], "PE\0\0", 4);
  int sections = section == DigestSection::kNone ? 1 : 2;
  Put16(s, kPeAt + 4, 0x8664);               // Machine
  Put16(s, kPeAt + 6, static_cast<uint32_t>(sections));
  Put16(s, kPeAt + 20, kOptionalSize);       // SizeOfOptionalHeader
  Put16(s, kPeAt + 22, 0x22);                // executable, large addresses
  Put16(s, kOptionalAt, 0x20B);              // PE32+
  Put32(s, kOptionalAt + 32, 0x1000);        // SectionAlignment
  Put32(s, kOptionalAt + 36, 0x200);         // FileAlignment
  Put32(s, kOptionalAt + 60, 0x400);         // SizeOfHeaders
  Put16(s, kOptionalAt + 68, 2);             // GUI
  Put32(s, kOptionalAt + 108, 16);           // NumberOfRvaAndSizes
  uint32_t field_at = section == DigestSection::kInsideTheKey ? 8192 : static_cast<uint32_t>(n - kSectionPiece);
  uint32_t text_end = section == DigestSection::kNone ? static_cast<uint32_t>(n) : static_cast<uint32_t>(n - kSectionPiece);
  PutSection(s, 0, ".text", 0x400, text_end - 0x400);
  if (section != DigestSection::kNone) {
    PutSection(s, 1, ".qrdig", field_at, kSectionPiece);
    std::memset(&s[field_at], 0, 56);
    std::memcpy(&s[field_at], "QrPackageDigest1", 16);
  }
  Put32(s, kOptionalAt + 56, 0x1000 * static_cast<uint32_t>(sections + 1));  // SizeOfImage
  return s;
}

size_t ChecksumOffset(const std::string& pe) { return Get32(pe, 0x3C) + 24 + 64; }

size_t CertEntryOffset(const std::string& pe) {
  size_t opt = Get32(pe, 0x3C) + 24;
  bool plus = (static_cast<uint8_t>(pe[opt]) | static_cast<uint8_t>(pe[opt + 1]) << 8) == 0x20B;
  return opt + (plus ? 112 : 96) + 4 * 8;
}

std::string Unsigned(std::string file) {
  size_t entry = CertEntryOffset(file);
  uint32_t at = Get32(file, entry);
  if (at != 0) file.resize(at);
  Put32(file, entry, 0);
  Put32(file, entry + 4, 0);
  return file;
}

std::string Signed(std::string file, uint32_t table_size, bool pad, uint32_t seed) {
  if (table_size < 16 || table_size % 8 != 0) throw std::invalid_argument("Signed: bad table size");
  size_t entry = CertEntryOffset(file);
  if (Get32(file, entry) != 0) file.resize(Get32(file, entry));
  if (pad) file.resize((file.size() + 7) / 8 * 8, '\0');
  uint32_t at = static_cast<uint32_t>(file.size());
  std::string table(table_size, '\0');
  Put32(table, 0, table_size);  // dwLength
  Put16(table, 4, 0x0200);      // WIN_CERT_REVISION_2_0
  Put16(table, 6, 0x0002);      // WIN_CERT_TYPE_PKCS_SIGNED_DATA
  uint32_t x = seed * 2654435761u + 7;
  for (size_t i = 8; i < table.size(); ++i) {
    x = x * 1103515245u + 12345u;
    table[i] = static_cast<char>(x >> 24);
  }
  file += table;
  Put32(file, entry, at);
  Put32(file, entry + 4, table_size);
  size_t checksum_at = ChecksumOffset(file);
  Put32(file, checksum_at, PeChecksum(file, checksum_at));
  return file;
}

}  // namespace test_signing
