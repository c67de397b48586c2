#pragma once
// What the package code needs of the headers of a program image (PE): where
// the fields lie that Authenticode signing changes, the certificate table a
// signer appended, and the raw data of a section by name.
//
// Signing a file (signtool, osslsigncode) pads it with zero bytes to a
// multiple of 8, appends a certificate table, points data directory 4 (the
// security directory: file offset and size of the table) at it and
// recomputes the checksum of the optional header. Nothing else changes, so
// data appended to an image (a package behind the setup stub, the name index
// behind the uninstaller) ends below the table, followed by at most 7 zero
// bytes. Removing the signature again (osslsigncode remove-signature) takes
// the table away but leaves the padding.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace package {

// A PE image's headers are read from at most this many bytes of its start.
inline constexpr int64_t kPeHeaderReadSize = 64 * 1024;
// The security directory's index among the data directories.
inline constexpr int kSecurityDirectory = 4;
// A signer pads the file to this alignment before the certificate table.
inline constexpr int64_t kCertTableAlignment = 8;

struct PeSection {
  std::string name;  // up to 8 characters
  int64_t raw_offset = 0;
  int64_t raw_size = 0;
  uint32_t virtual_address = 0;  // where the section lies once loaded (RVA)
  uint32_t virtual_size = 0;
  int64_t header_at = 0;  // the section's 40-byte header in the file
};

// One entry of the optional header's data directories: an address once
// loaded (RVA) and a size.
struct PeDirectory {
  uint32_t rva = 0;
  uint32_t size = 0;
  int64_t entry_at = -1;  // its 8 bytes in the file
};
// Indexes of the data directories read here.
inline constexpr int kImportDirectory = 1;
inline constexpr int kResourceDirectory = 2;
inline constexpr int kRelocationDirectory = 5;
inline constexpr int kLoadConfigDirectory = 10;
inline constexpr int kDelayImportDirectory = 13;

struct PeHeaders {
  bool is_pe = false;
  int64_t checksum_at = -1;    // the optional header's 4-byte CheckSum
  int64_t cert_entry_at = -1;  // the security directory's 8 bytes (-1: none)
  uint32_t cert_offset = 0;    // what that entry says: file offset and size
  uint32_t cert_size = 0;
  bool is_pe32_plus = false;
  std::vector<PeSection> sections;
  std::vector<PeDirectory> directories;  // those inside head and the optional header
  uint32_t section_alignment = 0;
  uint32_t file_alignment = 0;
  int64_t size_of_image_at = -1;        // the optional header's SizeOfImage
  int64_t initialized_data_at = -1;     // its SizeOfInitializedData
  int64_t section_table_end = 0;        // the first byte after the section headers
  uint32_t size_of_headers = 0;

  const PeSection* FindSection(std::string_view name) const;
  // The section whose virtual range holds [rva, rva + size) (for size 0,
  // the byte at rva), or nullptr.
  const PeSection* SectionAtRva(uint32_t rva, uint32_t size) const;
  // The file offset of [rva, rva + size) when a section's raw data holds it, else -1.
  int64_t RvaToOffset(uint32_t rva, uint32_t size) const;
  const PeDirectory* Directory(int index) const {
    return index < static_cast<int>(directories.size()) ? &directories[index] : nullptr;
  }
};

// Parses the headers at the start of a file (head: its first bytes, at most
// kPeHeaderReadSize). Anything that is no PE image gives is_pe false;
// fields that lie outside head are left out.
PeHeaders ParsePeHeaders(std::span<const uint8_t> head);
bool ReadPeHeaders(platform::File& f, int64_t file_size, PeHeaders* pe, std::string* err);

// True when the security directory names a certificate table that ends
// exactly at the end of the file (a signature of the whole file).
bool HasTrailingCertTable(const PeHeaders& pe, int64_t file_size);

// Where the data of a file may end: the top (the trailing certificate
// table's offset, or the file's size when it has none), then each offset up
// to 7 bytes below the top from which only zero bytes lead up to it, nearest
// the top first. A reader takes the first at which its data reads whole, so
// a file that reads at its top reads exactly as without this.
bool DataEndCandidates(platform::File& f, int64_t file_size, const PeHeaders& pe,
                       std::vector<int64_t>* ends, std::string* err);

// What the system loader reads of a whole image (its file's bytes) before
// any of its code runs: the DLLs named by its import and delay-import
// directories, in table order, as spelt there; and the DependentLoadFlags of
// its load configuration (the LOAD_LIBRARY_* flags for every DLL the loader
// resolves for it), nullopt when it has no load configuration that reaches
// that field. False with *err when the image has no such directories or a
// directory or a name lies outside it.
bool PeImportedDlls(std::span<const uint8_t> image, std::vector<std::string>* dlls, std::string* err);
std::optional<uint16_t> PeDependentLoadFlags(std::span<const uint8_t> image);

}  // namespace package
