#pragma once
// The resources of a PE image: the tree of type, name and language under
// data directory 2, seen as a flat list, read from an image and written anew
// as the data of a resource section.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "package/pe_image.h"

namespace package {

// Resource types by number.
inline constexpr uint16_t kRtIcon = 3;
inline constexpr uint16_t kRtRcData = 10;
inline constexpr uint16_t kRtGroupIcon = 14;
inline constexpr uint16_t kRtVersion = 16;
// A tree with more leaves than this is refused as damaged (large programs
// hold a few thousand).
inline constexpr size_t kMaxResources = 65536;

// A type or a name: a number, or (when name is not empty) a string.
struct ResourceId {
  uint16_t id = 0;
  std::u16string name;

  bool IsName() const { return !name.empty(); }
  bool operator==(const ResourceId&) const = default;
  // The tree's order: names first, by their UTF-16 units, then numbers.
  bool operator<(const ResourceId& o) const;
};

struct Resource {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;
  uint32_t code_page = 0;
  std::string data;
};

// Reads the tree of image (a whole image file; pe its headers). An image
// without resources gives an empty list. False, with a message in *err,
// when the tree is damaged: a table, name or data outside the image, a
// leaf where a table belongs or the other way round, more than
// kMaxResources leaves.
bool ReadResources(std::span<const uint8_t> image, const PeHeaders& pe,
                   std::vector<Resource>* resources, std::string* err);

// The first resource of a type in the tree's order, or nullptr.
const Resource* FindResource(const std::vector<Resource>& resources, uint16_t type);
const Resource* FindResource(const std::vector<Resource>& resources, uint16_t type,
                             const ResourceId& name);

// The data of a resource section at rva holding resources, in the tree's
// order: the tables, the data entries, the names, then each resource's data
// on an 8-byte boundary. No time stamp: the same list gives the same bytes.
// Two resources with the same type, name and language keep the last.
std::string BuildResourceSection(std::vector<Resource> resources, uint32_t rva);

}  // namespace package
