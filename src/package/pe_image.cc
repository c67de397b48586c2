#include "package/pe_image.h"

#include <algorithm>

#include "package/layout.h"

namespace package {
namespace {

// Offsets in the DOS header, the COFF header and the optional header.
constexpr size_t kNewHeaderOffsetAt = 0x3C;
constexpr size_t kCoffSize = 20;
constexpr size_t kSectionCountAt = 2;        // in the COFF header
constexpr size_t kOptionalSizeAt = 16;       // in the COFF header
constexpr size_t kChecksumAt = 64;           // in the optional header
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kMaxDirectories = 16;
constexpr size_t kInitializedDataAt = 8;     // in the optional header
constexpr size_t kSectionAlignmentAt = 32;
constexpr size_t kFileAlignmentAt = 36;
constexpr size_t kSizeOfImageAt = 56;
constexpr size_t kSizeOfHeadersAt = 60;

uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(GetI32(b.data() + at));
}

// The file offset of the n bytes at rva, when they lie in one section's
// file data.
std::optional<size_t> FileOffset(const PeHeaders& pe, std::span<const uint8_t> image, uint32_t rva,
                                 size_t n) {
  for (const PeSection& s : pe.sections) {
    if (rva < s.virtual_address || rva - s.virtual_address >= static_cast<uint64_t>(s.raw_size))
      continue;
    uint64_t at = static_cast<uint64_t>(s.raw_offset) + (rva - s.virtual_address);
    if (rva - s.virtual_address + n > static_cast<uint64_t>(s.raw_size) || at + n > image.size())
      return std::nullopt;
    return static_cast<size_t>(at);
  }
  return std::nullopt;
}

// The NUL-terminated name at rva.
std::optional<std::string> NameAt(const PeHeaders& pe, std::span<const uint8_t> image, uint32_t rva) {
  std::optional<size_t> at = FileOffset(pe, image, rva, 1);
  if (!at) return std::nullopt;
  std::string name;
  for (size_t i = *at; i < image.size(); ++i) {
    if (image[i] == 0) return name;
    name += static_cast<char>(image[i]);
  }
  return std::nullopt;
}

// Appends the names of a table of fixed-size entries that ends with an
// all-zero entry; name_at is the offset of the name's RVA in an entry.
bool ReadNameTable(const PeHeaders& pe, std::span<const uint8_t> image, int directory,
                   size_t entry_size, size_t name_at, std::vector<std::string>* dlls, std::string* err) {
  const PeDirectory& dir = pe.directories[static_cast<size_t>(directory)];
  if (dir.rva == 0) return true;
  for (uint64_t rva = dir.rva;; rva += entry_size) {
    std::optional<size_t> at =
        rva > UINT32_MAX ? std::nullopt : FileOffset(pe, image, static_cast<uint32_t>(rva), entry_size);
    if (!at) {
      *err = "import table outside the image";
      return false;
    }
    std::span<const uint8_t> entry = image.subspan(*at, entry_size);
    if (std::all_of(entry.begin(), entry.end(), [](uint8_t b) { return b == 0; })) return true;
    std::optional<std::string> name = NameAt(pe, image, U32(entry, name_at));
    if (!name) {
      *err = "imported DLL name outside the image";
      return false;
    }
    dlls->push_back(*name);
  }
}

// IMAGE_IMPORT_DESCRIPTOR and ImgDelayDescr: their sizes and the place of
// the DLL name's RVA.
constexpr size_t kImportEntrySize = 20, kImportNameAt = 12;
constexpr size_t kDelayEntrySize = 32, kDelayNameAt = 4;
// DependentLoadFlags in IMAGE_LOAD_CONFIG_DIRECTORY32 and ...64.
constexpr size_t kDependentLoadFlagsAt32 = 54, kDependentLoadFlagsAt64 = 78;

}  // namespace

const PeSection* PeHeaders::FindSection(std::string_view name) const {
  for (const PeSection& s : sections)
    if (s.name == name) return &s;
  return nullptr;
}

const PeSection* PeHeaders::SectionAtRva(uint32_t rva, uint32_t size) const {
  // A section spans its virtual size (its raw size when that is 0); an
  // empty range still needs a byte of it.
  for (const PeSection& s : sections) {
    uint64_t extent = s.virtual_size != 0 ? s.virtual_size : static_cast<uint64_t>(s.raw_size);
    if (rva >= s.virtual_address && uint64_t{rva} + std::max<uint32_t>(size, 1) <= uint64_t{s.virtual_address} + extent)
      return &s;
  }
  return nullptr;
}

int64_t PeHeaders::RvaToOffset(uint32_t rva, uint32_t size) const {
  const PeSection* s = SectionAtRva(rva, size);
  if (s == nullptr || uint64_t{rva - s->virtual_address} + size > static_cast<uint64_t>(s->raw_size))
    return -1;
  return s->raw_offset + (rva - s->virtual_address);
}

PeHeaders ParsePeHeaders(std::span<const uint8_t> head) {
  PeHeaders pe;
  auto fits = [&](size_t at, size_t n) { return at <= head.size() && n <= head.size() - at; };
  if (!fits(0, kNewHeaderOffsetAt + 4) || head[0] != 'M' || head[1] != 'Z') return pe;
  size_t nt = U32(head, kNewHeaderOffsetAt);
  if (!fits(nt, 4 + kCoffSize + 2) || head[nt] != 'P' || head[nt + 1] != 'E' || head[nt + 2] != 0 ||
      head[nt + 3] != 0)
    return pe;
  size_t coff = nt + 4;
  size_t opt = coff + kCoffSize;
  size_t opt_size = U16(head, coff + kOptionalSizeAt);
  uint16_t magic = U16(head, opt);
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return pe;
  pe.is_pe = true;
  pe.is_pe32_plus = magic == kMagicPe32Plus;
  if (opt_size >= kChecksumAt + 4 && fits(opt + kChecksumAt, 4)) pe.checksum_at = static_cast<int64_t>(opt + kChecksumAt);
  size_t count_at = magic == kMagicPe32 ? 92 : 108;
  size_t dirs_at = count_at + 4;
  if (opt_size >= kSizeOfHeadersAt + 4 && fits(opt, kSizeOfHeadersAt + 4)) {
    pe.section_alignment = U32(head, opt + kSectionAlignmentAt);
    pe.file_alignment = U32(head, opt + kFileAlignmentAt);
    pe.size_of_image_at = static_cast<int64_t>(opt + kSizeOfImageAt);
    pe.initialized_data_at = static_cast<int64_t>(opt + kInitializedDataAt);
    pe.size_of_headers = U32(head, opt + kSizeOfHeadersAt);
  }
  if (fits(opt + count_at, 4)) {
    size_t n = std::min<size_t>(U32(head, opt + count_at), kMaxDirectories);
    for (size_t i = 0; i < n && dirs_at + (i + 1) * kDirectoryEntrySize <= opt_size &&
                       fits(opt + dirs_at + i * kDirectoryEntrySize, kDirectoryEntrySize);
         ++i) {
      size_t at = opt + dirs_at + i * kDirectoryEntrySize;
      pe.directories.push_back({U32(head, at), U32(head, at + 4), static_cast<int64_t>(at)});
    }
  }
  size_t cert_entry = dirs_at + kSecurityDirectory * kDirectoryEntrySize;
  if (fits(opt + count_at, 4) && U32(head, opt + count_at) > kSecurityDirectory &&
      opt_size >= cert_entry + kDirectoryEntrySize && fits(opt + cert_entry, kDirectoryEntrySize)) {
    pe.cert_entry_at = static_cast<int64_t>(opt + cert_entry);
    pe.cert_offset = U32(head, opt + cert_entry);
    pe.cert_size = U32(head, opt + cert_entry + 4);
  }
  size_t table = opt + opt_size;
  size_t count = U16(head, coff + kSectionCountAt);
  for (size_t i = 0; i < count && fits(table + i * kSectionHeaderSize, kSectionHeaderSize); ++i) {
    size_t at = table + i * kSectionHeaderSize;
    PeSection s;
    for (size_t j = 0; j < 8 && head[at + j] != 0; ++j) s.name += static_cast<char>(head[at + j]);
    s.virtual_size = U32(head, at + 8);
    s.virtual_address = U32(head, at + 12);
    s.raw_size = U32(head, at + 16);
    s.raw_offset = U32(head, at + 20);
    s.header_at = static_cast<int64_t>(at);
    pe.sections.push_back(std::move(s));
    pe.section_table_end = static_cast<int64_t>(at + kSectionHeaderSize);
  }
  return pe;
}

bool ReadPeHeaders(platform::File& f, int64_t file_size, PeHeaders* pe, std::string* err) {
  std::vector<uint8_t> head(static_cast<size_t>(std::min(file_size, kPeHeaderReadSize)));
  if (!f.Seek(0, err) || !f.ReadExact(head.data(), head.size(), err)) return false;
  *pe = ParsePeHeaders(head);
  return true;
}

bool HasTrailingCertTable(const PeHeaders& pe, int64_t file_size) {
  return pe.cert_entry_at >= 0 && pe.cert_offset != 0 && pe.cert_size != 0 &&
         int64_t{pe.cert_offset} + int64_t{pe.cert_size} == file_size;
}

bool DataEndCandidates(platform::File& f, int64_t file_size, const PeHeaders& pe,
                       std::vector<int64_t>* ends, std::string* err) {
  int64_t top = HasTrailingCertTable(pe, file_size) ? int64_t{pe.cert_offset} : file_size;
  int64_t lowest = std::max<int64_t>(0, top - (kCertTableAlignment - 1));
  uint8_t gap[kCertTableAlignment];
  size_t n = static_cast<size_t>(top - lowest);
  ends->assign(1, top);
  if (!f.Seek(lowest, err) || !f.ReadExact(gap, n, err)) return false;
  // Walk down while the bytes between the candidate and the top are zero.
  for (size_t i = n; i > 0 && gap[i - 1] == 0; --i) ends->push_back(lowest + static_cast<int64_t>(i) - 1);
  return true;
}

bool PeImportedDlls(std::span<const uint8_t> image, std::vector<std::string>* dlls, std::string* err) {
  PeHeaders pe = ParsePeHeaders(image.first(std::min<size_t>(image.size(), kPeHeaderReadSize)));
  if (!pe.is_pe || pe.directories.size() <= kDelayImportDirectory) {
    *err = "not a PE image with import directories";
    return false;
  }
  dlls->clear();
  return ReadNameTable(pe, image, kImportDirectory, kImportEntrySize, kImportNameAt, dlls, err) &&
         ReadNameTable(pe, image, kDelayImportDirectory, kDelayEntrySize, kDelayNameAt, dlls, err);
}

std::optional<uint16_t> PeDependentLoadFlags(std::span<const uint8_t> image) {
  PeHeaders pe = ParsePeHeaders(image.first(std::min<size_t>(image.size(), kPeHeaderReadSize)));
  if (!pe.is_pe || pe.directories.size() <= kLoadConfigDirectory) return std::nullopt;
  const PeDirectory& dir = pe.directories[kLoadConfigDirectory];
  size_t field = pe.is_pe32_plus ? kDependentLoadFlagsAt64 : kDependentLoadFlagsAt32;
  if (dir.rva == 0 || dir.size < field + 2) return std::nullopt;
  std::optional<size_t> at = FileOffset(pe, image, dir.rva, field + 2);
  // The structure states its own size; fields past it are not read.
  if (!at || U32(image, *at) < field + 2) return std::nullopt;
  return U16(image, *at + field);
}

}  // namespace package
