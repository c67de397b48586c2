#pragma once
// The version resource (VS_VERSIONINFO) of a program image: the fixed
// version numbers and one table of strings in one language and code page,
// written and read back without any system help.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace package {

struct VersionInfo {
  // Four numbers each; all zeros where the text gives none.
  std::array<uint16_t, 4> file_version{};
  std::array<uint16_t, 4> product_version{};
  uint16_t language = 0;
  uint16_t code_page = 0;
  // Name and value, in the table's order (UTF-8).
  std::vector<std::pair<std::string, std::string>> strings;

  const std::string* Find(const std::string& name) const;
};

// "a", "a.b", "a.b.c" or "a.b.c.d" of decimal numbers 0..65535, the missing
// ones 0. False for any other text.
bool ParseVersionNumbers(const std::string& text, std::array<uint16_t, 4>* numbers);

// The resource's data. Texts are cut to kMaxVersionStringUnits UTF-16 units.
std::string BuildVersionResource(const VersionInfo& info);
inline constexpr size_t kMaxVersionStringUnits = 1024;

// Reads the data of a version resource: the fixed numbers, the first
// string table's language, code page and strings. False when it is damaged.
bool ParseVersionResource(std::span<const uint8_t> data, VersionInfo* info);

}  // namespace package
