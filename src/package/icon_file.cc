#include "package/icon_file.h"

#include <algorithm>

#include "package/byte_fields.h"

namespace package {
namespace {

using bytes::Get16;
using bytes::Get32;
using bytes::Put16;
using bytes::Put32;

constexpr size_t kDirHeaderSize = 6;
constexpr size_t kFileEntrySize = 16;   // ICONDIRENTRY in an .ico file
constexpr size_t kGroupEntrySize = 14;  // GRPICONDIRENTRY in a group resource
constexpr uint16_t kIconType = 1;
constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr size_t kPngHeaderEnd = 24;  // signature, IHDR length and type, width, height
constexpr size_t kInfoHeaderSize = 40;

uint32_t BigEndian32(std::span<const uint8_t> b, size_t at) {
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

IconProblem CheckSide(int64_t side) {
  if (side <= 0) return IconProblem::kDamaged;
  return side > kMaxIconSide ? IconProblem::kTooBig : IconProblem::kNone;
}

IconProblem CheckPng(std::span<const uint8_t> d) {
  if (d.size() < kPngHeaderEnd + 9 || !std::equal(d.begin() + 12, d.begin() + 16, "IHDR"))
    return IconProblem::kDamaged;
  IconProblem p = CheckSide(BigEndian32(d, 16));
  return p != IconProblem::kNone ? p : CheckSide(BigEndian32(d, 20));
}

// A DIB image: the header, the palette, the colour rows and the mask rows
// must all be there.
IconProblem CheckDib(std::span<const uint8_t> d) {
  if (d.size() < kInfoHeaderSize) return IconProblem::kDamaged;
  uint32_t header = Get32(d, 0);
  int32_t width = static_cast<int32_t>(Get32(d, 4));
  int32_t doubled_height = static_cast<int32_t>(Get32(d, 8));
  uint16_t planes = Get16(d, 12);
  uint16_t bits = Get16(d, 14);
  uint32_t compression = Get32(d, 16);
  uint32_t colors_used = Get32(d, 32);
  bool known_bits = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  if (header < kInfoHeaderSize || header > d.size() || planes != 1 || !known_bits || compression != 0 ||
      doubled_height % 2 != 0)
    return IconProblem::kDamaged;
  IconProblem p = CheckSide(width);
  if (p == IconProblem::kNone) p = CheckSide(doubled_height / 2);
  if (p != IconProblem::kNone) return p;
  uint64_t palette = bits <= 8 ? (colors_used != 0 ? colors_used : 1u << bits) : colors_used;
  if (bits <= 8 && palette > (1u << bits)) return IconProblem::kDamaged;
  auto stride = [&](uint64_t bits_per_row) { return (bits_per_row + 31) / 32 * 4; };
  uint64_t rows = static_cast<uint64_t>(doubled_height / 2);
  uint64_t needed = header + palette * 4 + stride(uint64_t(width) * bits) * rows + stride(uint64_t(width)) * rows;
  return needed > d.size() ? IconProblem::kDamaged : IconProblem::kNone;
}

IconProblem CheckImage(const std::string& data) {
  auto d = bytes::View(data);
  if (d.size() >= sizeof kPngSignature && std::equal(std::begin(kPngSignature), std::end(kPngSignature), d.begin()))
    return CheckPng(d);
  return CheckDib(d);
}

IconProblem CheckIcon(const Icon& icon) {
  if (icon.images.empty() || icon.images.size() > kMaxIconImages) return IconProblem::kDamaged;
  for (const IconImage& image : icon.images)
    if (IconProblem p = CheckImage(image.data); p != IconProblem::kNone) return p;
  return static_cast<int64_t>(IconFileBytes(icon).size()) > kMaxIconBytes ? IconProblem::kTooLarge
                                                                        : IconProblem::kNone;
}

// The directory header both layouts share; count is left in *count.
bool ReadDirHeader(std::span<const uint8_t> b, size_t entry_size, size_t* count) {
  if (b.size() < kDirHeaderSize || Get16(b, 0) != 0 || Get16(b, 2) != kIconType) return false;
  *count = Get16(b, 4);
  return *count >= 1 && *count <= kMaxIconImages && kDirHeaderSize + *count * entry_size <= b.size();
}

IconImage EntryFields(std::span<const uint8_t> b, size_t at) {
  IconImage image;
  image.width = b[at];
  image.height = b[at + 1];
  image.color_count = b[at + 2];
  image.planes = Get16(b, at + 4);
  image.bit_count = Get16(b, at + 6);
  return image;
}

void PutEntryFields(std::string* out, const IconImage& image) {
  out->push_back(static_cast<char>(image.width));
  out->push_back(static_cast<char>(image.height));
  out->push_back(static_cast<char>(image.color_count));
  out->push_back('\0');
  Put16(out, image.planes);
  Put16(out, image.bit_count);
  Put32(out, static_cast<uint32_t>(image.data.size()));
}

}  // namespace

IconProblem ParseIconFile(std::span<const uint8_t> file, Icon* icon) {
  *icon = Icon{};
  if (static_cast<int64_t>(file.size()) > kMaxIconBytes) return IconProblem::kTooLarge;
  if (file.size() < kDirHeaderSize || Get16(file, 0) != 0 || Get16(file, 2) != kIconType)
    return IconProblem::kNotIcon;
  size_t count = 0;
  if (!ReadDirHeader(file, kFileEntrySize, &count)) return IconProblem::kDamaged;
  for (size_t i = 0; i < count; ++i) {
    size_t at = kDirHeaderSize + i * kFileEntrySize;
    uint64_t size = Get32(file, at + 8);
    uint64_t offset = Get32(file, at + 12);
    if (size == 0 || offset + size > file.size()) return IconProblem::kDamaged;
    IconImage image = EntryFields(file, at);
    image.data.assign(reinterpret_cast<const char*>(file.data() + offset), static_cast<size_t>(size));
    icon->images.push_back(std::move(image));
  }
  return CheckIcon(*icon);
}

IconProblem IconFromResources(const std::vector<Resource>& resources, Icon* icon) {
  *icon = Icon{};
  const Resource* group = FindResource(resources, kRtGroupIcon);
  if (group == nullptr) return IconProblem::kNoIcon;
  auto g = bytes::View(group->data);
  size_t count = 0;
  if (!ReadDirHeader(g, kGroupEntrySize, &count)) return IconProblem::kDamaged;
  for (size_t i = 0; i < count; ++i) {
    size_t at = kDirHeaderSize + i * kGroupEntrySize;
    ResourceId id{Get16(g, at + 12), {}};
    const Resource* found = nullptr;
    for (const Resource& r : resources)
      if (!r.type.IsName() && r.type.id == kRtIcon && r.name == id &&
          (found == nullptr || r.language == group->language))
        found = &r;
    if (found == nullptr || found->data.empty()) return IconProblem::kDamaged;
    IconImage image = EntryFields(g, at);
    image.data = found->data;
    icon->images.push_back(std::move(image));
  }
  return CheckIcon(*icon);
}

IconProblem IconFromImage(std::span<const uint8_t> image, Icon* icon) {
  *icon = Icon{};
  PeHeaders pe = ParsePeHeaders(image.first(std::min<size_t>(image.size(), kPeHeaderReadSize)));
  if (!pe.is_pe) return IconProblem::kNoIcon;
  std::vector<Resource> resources;
  std::string err;
  if (!ReadResources(image, pe, &resources, &err)) return IconProblem::kDamaged;
  return IconFromResources(resources, icon);
}

std::string IconFileBytes(const Icon& icon) {
  std::string out;
  Put16(&out, 0);
  Put16(&out, kIconType);
  Put16(&out, static_cast<uint16_t>(icon.images.size()));
  uint32_t offset = static_cast<uint32_t>(kDirHeaderSize + icon.images.size() * kFileEntrySize);
  for (const IconImage& image : icon.images) {
    PutEntryFields(&out, image);
    Put32(&out, offset);
    offset += static_cast<uint32_t>(image.data.size());
  }
  for (const IconImage& image : icon.images) out += image.data;
  return out;
}

std::vector<Resource> IconResources(const Icon& icon, uint16_t group_id, uint16_t language) {
  std::vector<Resource> out;
  std::string group;
  Put16(&group, 0);
  Put16(&group, kIconType);
  Put16(&group, static_cast<uint16_t>(icon.images.size()));
  for (size_t i = 0; i < icon.images.size(); ++i) {
    uint16_t id = static_cast<uint16_t>(i + 1);
    PutEntryFields(&group, icon.images[i]);
    Put16(&group, id);
    out.push_back(Resource{{kRtIcon, {}}, {id, {}}, language, 0, icon.images[i].data});
  }
  out.push_back(Resource{{kRtGroupIcon, {}}, {group_id, {}}, language, 0, std::move(group)});
  return out;
}

}  // namespace package
