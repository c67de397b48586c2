#include "package/pe_resources.h"

#include <algorithm>

#include "package/byte_fields.h"

namespace package {
namespace {

constexpr char kResourceSection[] = ".rsrc";
constexpr char kUnsupported[] = "the image's resource section cannot be rewritten";

bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }
uint64_t AlignUp(uint64_t v, uint32_t alignment) { return (v + alignment - 1) / alignment * alignment; }

// Where the resource section lies and what follows it.
struct Layout {
  const PeSection* rsrc = nullptr;
  const PeSection* reloc = nullptr;  // the relocation section behind it, if any
};

bool FindLayout(const PeHeaders& pe, size_t image_size, Layout* layout) {
  const PeDirectory* res = pe.Directory(kResourceDirectory);
  if (!pe.is_pe || res == nullptr || res->rva == 0 || !IsPowerOfTwo(pe.file_alignment) ||
      !IsPowerOfTwo(pe.section_alignment) || pe.size_of_image_at < 0 || pe.initialized_data_at < 0)
    return false;
  size_t index = 0;
  while (index < pe.sections.size() && pe.sections[index].virtual_address != res->rva) ++index;
  if (index == pe.sections.size() || pe.sections[index].name != kResourceSection) return false;
  const PeSection& rsrc = pe.sections[index];
  for (size_t i = 0; i < index; ++i) {
    const PeSection& s = pe.sections[i];
    if (s.virtual_address >= rsrc.virtual_address || (s.raw_size > 0 && s.raw_offset + s.raw_size > rsrc.raw_offset))
      return false;
  }
  layout->rsrc = &rsrc;
  const PeSection* last = &rsrc;
  if (index + 1 < pe.sections.size()) {
    const PeDirectory* rel = pe.Directory(kRelocationDirectory);
    const PeSection& next = pe.sections[index + 1];
    if (index + 2 != pe.sections.size() || rel == nullptr || rel->rva != next.virtual_address ||
        next.raw_offset != rsrc.raw_offset + rsrc.raw_size || next.virtual_address <= rsrc.virtual_address)
      return false;
    layout->reloc = &next;
    last = &next;
  }
  return last->raw_offset + last->raw_size == static_cast<int64_t>(image_size);
}

}  // namespace

bool ReadFileResources(platform::File& f, int64_t size, std::vector<Resource>* resources,
                       FileResources* result, std::string* err) {
  resources->clear();
  std::string head(static_cast<size_t>(std::min(size, kPeHeaderReadSize)), '\0');
  if (!f.Seek(0, err) || !f.ReadExact(head.data(), head.size(), err)) return false;
  PeHeaders pe = ParsePeHeaders(bytes::View(head));
  *result = pe.is_pe ? FileResources::kRead : FileResources::kNotImage;
  const PeDirectory* dir = pe.Directory(kResourceDirectory);
  if (!pe.is_pe || dir == nullptr || dir->rva == 0 || dir->size == 0) return true;
  const PeSection* s = pe.SectionAtRva(dir->rva, 0);
  if (s == nullptr || s->raw_offset + s->raw_size > size) {
    *result = FileResources::kDamaged;
    return true;
  }
  if (s->raw_size > kMaxResourceSectionBytes) {
    *result = FileResources::kTooLarge;
    return true;
  }
  std::string section(static_cast<size_t>(s->raw_size), '\0');
  if (!f.Seek(s->raw_offset, err) || !f.ReadExact(section.data(), section.size(), err)) return false;
  // The section alone: the headers rebased so that it starts at offset 0.
  PeSection rebased = *s;
  rebased.raw_offset = 0;
  pe.sections.assign(1, rebased);
  std::string e;
  if (!ReadResources(bytes::View(section), pe, resources, &e)) *result = FileResources::kDamaged;
  return true;
}

uint32_t PeChecksum(std::span<const uint8_t> file, int64_t checksum_at) {
  uint64_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 2) {
    if (static_cast<int64_t>(i) >= checksum_at && static_cast<int64_t>(i) < checksum_at + 4) continue;
    uint32_t word = file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + file.size());
}

bool ReplaceResources(std::string* image, const std::vector<Resource>& resources, std::string* err) {
  auto view = bytes::View(*image);
  PeHeaders pe = ParsePeHeaders(view.first(std::min<size_t>(view.size(), kPeHeaderReadSize)));
  Layout layout;
  if (!FindLayout(pe, image->size(), &layout)) {
    *err = kUnsupported;
    return false;
  }
  const PeSection& rsrc = *layout.rsrc;
  std::string section = BuildResourceSection(resources, rsrc.virtual_address);
  uint32_t data_size = static_cast<uint32_t>(section.size());
  uint32_t raw_size = static_cast<uint32_t>(AlignUp(section.size(), pe.file_alignment));
  section.resize(raw_size, '\0');

  std::string out = image->substr(0, static_cast<size_t>(rsrc.raw_offset)) + section;
  auto set_section = [&](const PeSection& s, uint32_t vsize, uint32_t va, uint32_t rsize, uint32_t roff) {
    size_t at = static_cast<size_t>(s.header_at);
    bytes::Set32(&out, at + 8, vsize);
    bytes::Set32(&out, at + 12, va);
    bytes::Set32(&out, at + 16, rsize);
    bytes::Set32(&out, at + 20, roff);
  };
  set_section(rsrc, data_size, rsrc.virtual_address, raw_size, static_cast<uint32_t>(rsrc.raw_offset));
  bytes::Set32(&out, static_cast<size_t>(pe.Directory(kResourceDirectory)->entry_at) + 4, data_size);
  uint64_t image_end = uint64_t{rsrc.virtual_address} + data_size;
  if (layout.reloc != nullptr) {
    const PeSection& reloc = *layout.reloc;
    uint32_t va = static_cast<uint32_t>(AlignUp(image_end, pe.section_alignment));
    out += image->substr(static_cast<size_t>(reloc.raw_offset), static_cast<size_t>(reloc.raw_size));
    set_section(reloc, reloc.virtual_size, va, static_cast<uint32_t>(reloc.raw_size),
                static_cast<uint32_t>(rsrc.raw_offset + raw_size));
    bytes::Set32(&out, static_cast<size_t>(pe.Directory(kRelocationDirectory)->entry_at), va);
    image_end = uint64_t{va} + std::max<uint64_t>(reloc.virtual_size, 1);
  }
  auto out_view = bytes::View(out);
  size_t size_of_image = static_cast<size_t>(pe.size_of_image_at);
  bytes::Set32(&out, size_of_image, static_cast<uint32_t>(AlignUp(image_end, pe.section_alignment)));
  size_t init_at = static_cast<size_t>(pe.initialized_data_at);
  bytes::Set32(&out, init_at,
               bytes::Get32(out_view, init_at) + raw_size - static_cast<uint32_t>(rsrc.raw_size));
  if (pe.checksum_at >= 0 && bytes::Get32(out_view, static_cast<size_t>(pe.checksum_at)) != 0)
    bytes::Set32(&out, static_cast<size_t>(pe.checksum_at), PeChecksum(bytes::View(out), pe.checksum_at));
  *image = std::move(out);
  return true;
}

}  // namespace package
