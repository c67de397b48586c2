#pragma once
// Icons as the builder takes them: from an .ico file or from an executable's
// first icon group, checked before they go into a package, and turned into
// the icon resources of a program image.
//
// An icon holds 1..kMaxIconImages images, each a PNG or a DIB (a
// BITMAPINFOHEADER, a palette for 8 bits or fewer, the colour rows and the
// 1-bit mask rows) of at most kMaxIconSide pixels a side; the whole icon as
// an .ico file takes at most kMaxIconBytes bytes.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "package/resource_tree.h"

namespace package {

inline constexpr int64_t kMaxIconBytes = 1024 * 1024;
inline constexpr uint32_t kMaxIconSide = 256;
inline constexpr size_t kMaxIconImages = 64;

// One image with the fields of its directory entry (0 stands for 256).
struct IconImage {
  uint8_t width = 0;
  uint8_t height = 0;
  uint8_t color_count = 0;
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  std::string data;
};

struct Icon {
  std::vector<IconImage> images;
};

enum class IconProblem {
  kNone,
  kNoIcon,    // an executable without an icon group, or no executable at all
  kNotIcon,   // neither an icon file nor an executable
  kDamaged,   // a table or an image is cut short or makes no sense
  kTooLarge,  // over kMaxIconBytes
  kTooBig,    // an image over kMaxIconSide pixels a side
};

// Reads an .ico file's bytes.
IconProblem ParseIconFile(std::span<const uint8_t> file, Icon* icon);
// Reads the first icon group of a program image's bytes: kNoIcon when it
// is no PE image or has no icon group.
IconProblem IconFromImage(std::span<const uint8_t> image, Icon* icon);
// Reads an icon from the resources of an image (the first icon group).
IconProblem IconFromResources(const std::vector<Resource>& resources, Icon* icon);

// The icon as an .ico file, the layout ParseIconFile reads.
std::string IconFileBytes(const Icon& icon);

// The icon as RT_ICON resources 1..n and the RT_GROUP_ICON group_id, in
// language.
std::vector<Resource> IconResources(const Icon& icon, uint16_t group_id, uint16_t language);

}  // namespace package
