#include "package/version_resource.h"

#include <cstdio>

#include "package/byte_fields.h"
#include "platform/utf.h"

namespace package {
namespace {

using bytes::Get16;
using bytes::Get32;
using bytes::Put16;
using bytes::Put32;

constexpr char16_t kRootKey[] = u"VS_VERSION_INFO";
constexpr char16_t kStringFileInfo[] = u"StringFileInfo";
constexpr char16_t kVarFileInfo[] = u"VarFileInfo";
constexpr char16_t kTranslation[] = u"Translation";
constexpr uint16_t kBinary = 0;
constexpr uint16_t kText = 1;

// VS_FIXEDFILEINFO: 13 fields of 4 bytes.
constexpr size_t kFixedInfoSize = 52;
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint32_t kFixedStructVersion = 0x00010000;
constexpr uint32_t kFileFlagsMask = 0x3F;
constexpr uint32_t kFileOsNtWindows32 = 0x00040004;
constexpr uint32_t kFileTypeApp = 1;

constexpr size_t Align4(size_t v) { return (v + 3) / 4 * 4; }

// One block: its length, value length and type, key, value, children.
std::string Block(std::u16string_view key, const std::string& value, uint16_t value_length,
                  uint16_t type, const std::vector<std::string>& children) {
  std::string b;
  Put16(&b, 0);
  Put16(&b, value_length);
  Put16(&b, type);
  for (char16_t c : key) Put16(&b, static_cast<uint16_t>(c));
  Put16(&b, 0);
  bytes::PadTo(&b, 4);
  b += value;
  for (const std::string& child : children) {
    bytes::PadTo(&b, 4);
    b += child;
  }
  bytes::Set16(&b, 0, static_cast<uint16_t>(b.size()));
  return b;
}

std::string TextValue(const std::string& utf8, uint16_t* units) {
  std::u16string text = platform::Utf8ToUtf16(utf8);
  if (text.size() > kMaxVersionStringUnits) text.resize(kMaxVersionStringUnits);
  std::string value;
  for (char16_t c : text) Put16(&value, static_cast<uint16_t>(c));
  Put16(&value, 0);
  *units = static_cast<uint16_t>(text.size() + 1);
  return value;
}

void PutVersion(std::string* out, const std::array<uint16_t, 4>& v) {
  Put32(out, (uint32_t{v[0]} << 16) | v[1]);
  Put32(out, (uint32_t{v[2]} << 16) | v[3]);
}

std::u16string TableKey(uint16_t language, uint16_t code_page) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%04x%04x", language, code_page);
  return std::u16string(hex, hex + 8);
}

// A block as read: where its value and children lie.
struct BlockView {
  std::u16string key;
  size_t value_at = 0;
  size_t value_bytes = 0;  // up to the children or the block's end
  size_t children_at = 0;
  size_t end = 0;
};

bool ReadBlock(std::span<const uint8_t> d, size_t at, size_t limit, BlockView* b) {
  if (at + 6 > limit) return false;
  size_t length = Get16(d, at);
  uint16_t value_length = Get16(d, at + 2);
  uint16_t type = Get16(d, at + 4);
  if (length < 6 || at + length > limit) return false;
  b->end = at + length;
  b->key.clear();
  size_t p = at + 6;
  for (;; p += 2) {
    if (p + 2 > b->end) return false;
    char16_t c = static_cast<char16_t>(Get16(d, p));
    if (c == 0) break;
    b->key.push_back(c);
  }
  b->value_at = std::min(Align4(p + 2), b->end);
  size_t value_size = type == kText ? size_t{value_length} * 2 : value_length;
  if (b->value_at + value_size > b->end) value_size = b->end - b->value_at;
  b->value_bytes = value_size;
  b->children_at = std::min(Align4(b->value_at + value_size), b->end);
  return true;
}

// Calls visit for each child of block; false when one is damaged.
template <typename Visit>
bool ForEachChild(std::span<const uint8_t> d, const BlockView& block, Visit visit) {
  for (size_t at = block.children_at; at + 6 <= block.end;) {
    BlockView child;
    if (!ReadBlock(d, at, block.end, &child) || !visit(child)) return false;
    at = Align4(child.end);
  }
  return true;
}

std::string ReadText(std::span<const uint8_t> d, size_t at, size_t end) {
  std::u16string text;
  for (; at + 2 <= end; at += 2) {
    char16_t c = static_cast<char16_t>(Get16(d, at));
    if (c == 0) break;
    text.push_back(c);
  }
  return platform::Utf16ToUtf8(text);
}

bool ParseHex16(const std::u16string& s, size_t from, uint16_t* v) {
  *v = 0;
  for (size_t i = from; i < from + 4; ++i) {
    char16_t c = s[i];
    int digit = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10
              : c >= u'A' && c <= u'F' ? c - u'A' + 10 : -1;
    if (digit < 0) return false;
    *v = static_cast<uint16_t>(*v * 16 + digit);
  }
  return true;
}

}  // namespace

const std::string* VersionInfo::Find(const std::string& name) const {
  for (const auto& [key, value] : strings)
    if (key == name) return &value;
  return nullptr;
}

bool ParseVersionNumbers(const std::string& text, std::array<uint16_t, 4>* numbers) {
  std::array<uint16_t, 4> v{};
  size_t part = 0;
  uint32_t current = 0;
  bool digits = false;
  for (char c : text) {
    if (c == '.') {
      if (!digits || ++part >= v.size()) return false;
      digits = false;
      current = 0;
    } else if (c >= '0' && c <= '9') {
      current = current * 10 + static_cast<uint32_t>(c - '0');
      if (current > 0xFFFF) return false;
      v[part] = static_cast<uint16_t>(current);
      digits = true;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  *numbers = v;
  return true;
}

std::string BuildVersionResource(const VersionInfo& info) {
  std::string fixed;
  Put32(&fixed, kFixedSignature);
  Put32(&fixed, kFixedStructVersion);
  PutVersion(&fixed, info.file_version);
  PutVersion(&fixed, info.product_version);
  Put32(&fixed, kFileFlagsMask);
  Put32(&fixed, 0);  // flags
  Put32(&fixed, kFileOsNtWindows32);
  Put32(&fixed, kFileTypeApp);
  Put32(&fixed, 0);  // subtype
  Put32(&fixed, 0);  // date
  Put32(&fixed, 0);

  std::vector<std::string> strings;
  for (const auto& [name, value] : info.strings) {
    uint16_t units = 0;
    std::string text = TextValue(value, &units);
    strings.push_back(Block(platform::Utf8ToUtf16(name), text, units, kText, {}));
  }
  std::string table = Block(TableKey(info.language, info.code_page), "", 0, kText, strings);
  std::string translation;
  Put16(&translation, info.language);
  Put16(&translation, info.code_page);
  std::string var = Block(kTranslation, translation, static_cast<uint16_t>(translation.size()), kBinary, {});
  return Block(kRootKey, fixed, kFixedInfoSize, kBinary,
               {Block(kStringFileInfo, "", 0, kText, {table}), Block(kVarFileInfo, "", 0, kText, {var})});
}

bool ParseVersionResource(std::span<const uint8_t> d, VersionInfo* info) {
  *info = VersionInfo{};
  BlockView root;
  if (!ReadBlock(d, 0, d.size(), &root) || root.key != kRootKey || root.value_bytes < kFixedInfoSize ||
      Get32(d, root.value_at) != kFixedSignature)
    return false;
  auto numbers = [&](size_t at) {
    uint32_t ms = Get32(d, root.value_at + at), ls = Get32(d, root.value_at + at + 4);
    return std::array<uint16_t, 4>{static_cast<uint16_t>(ms >> 16), static_cast<uint16_t>(ms),
                                   static_cast<uint16_t>(ls >> 16), static_cast<uint16_t>(ls)};
  };
  info->file_version = numbers(8);
  info->product_version = numbers(16);
  bool have_table = false;
  return ForEachChild(d, root, [&](const BlockView& child) {
    if (child.key != kStringFileInfo) return true;
    return ForEachChild(d, child, [&](const BlockView& table) {
      if (have_table) return true;
      have_table = true;
      if (table.key.size() != 8 || !ParseHex16(table.key, 0, &info->language) ||
          !ParseHex16(table.key, 4, &info->code_page))
        return false;
      return ForEachChild(d, table, [&](const BlockView& s) {
        info->strings.emplace_back(platform::Utf16ToUtf8(s.key), ReadText(d, s.value_at, s.end));
        return true;
      });
    });
  });
}

}  // namespace package
