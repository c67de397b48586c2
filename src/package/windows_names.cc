#include "package/windows_names.h"

#include <cstdint>

#include "package/layout.h"
#include "package/messages.h"
#include "package/name_rules.h"
#include "platform/utf.h"
#include "platform/unicode.h"

namespace package {
namespace {

// The upper-case form of every UTF-16 code unit, as the inverse of the shared
// case fold: an upper-case letter is the smallest code unit that folds to a
// lower-case one.
const std::u16string& UpperTable() {
  static const std::u16string table = [] {
    std::u16string t(0x10000, u'\0');
    for (uint32_t c = 0; c < 0x10000; ++c) t[c] = static_cast<char16_t>(c);
    for (uint32_t c = 0xFFFF; c > 0; --c) {
      if (c >= 0xD800 && c < 0xE000) continue;
      std::u16string one(1, static_cast<char16_t>(c));
      std::u16string folded = platform::Utf8ToUtf16(platform::FoldCase(platform::Utf16ToUtf8(one)));
      if (folded.size() == 1 && folded[0] != c) t[folded[0]] = static_cast<char16_t>(c);
    }
    return t;
  }();
  return table;
}

std::string Pair(const std::string& path, const std::string& other) {
  return path + "（" + other + "）";
}

}  // namespace

std::u16string WindowsNameKey(std::string_view utf8) {
  const std::u16string& upper = UpperTable();
  std::u16string key = platform::Utf8ToUtf16(std::string(utf8));
  for (char16_t& c : key) c = upper[c];
  return key;
}

const char* NamePartProblem(std::string_view part) {
  switch (CheckNamePart(platform::Utf8ToUtf16(std::string(part)))) {
    case NamePartFault::kNone: return nullptr;
    case NamePartFault::kEmpty:
    case NamePartFault::kDotSegment:
    case NamePartFault::kForbiddenChar: return msg::kNameNotWindows;
    case NamePartFault::kEndsWithDotOrSpace: return msg::kNameEndsWithDotOrSpace;
    case NamePartFault::kDeviceName: return msg::kNameIsDevice;
  }
  return msg::kNameNotWindows;
}

const char* RelPathProblem(std::string_view rel_path) {
  size_t start = 0;
  for (;;) {
    size_t end = rel_path.find('\\', start);
    std::string_view part = rel_path.substr(start, end == std::string_view::npos ? end : end - start);
    if (const char* problem = NamePartProblem(part)) return problem;
    if (end == std::string_view::npos) return nullptr;
    start = end + 1;
  }
}

bool NameClashes::Add(const std::string& rel_path, const std::string& full_path, std::string* err) {
  std::u16string key = WindowsNameKey(rel_path);
  if (rel_path.find('\\') == std::string::npos && key == WindowsNameKey(kUninstallerName)) {
    *err = msg::kNameIsUninstaller + full_path;
    return false;
  }
  if (auto it = files_.find(key); it != files_.end()) {
    const char* lead = it->second.rel_path == rel_path ? msg::kNameTwice : msg::kNameCaseClash;
    *err = lead + Pair(full_path, it->second.full_path);
    return false;
  }
  if (auto it = folders_.find(key); it != folders_.end()) {
    *err = msg::kNameFileAndFolder + Pair(full_path, it->second.full_path);
    return false;
  }
  for (size_t slash = rel_path.find('\\'); slash != std::string::npos;
       slash = rel_path.find('\\', slash + 1)) {
    std::u16string folder = WindowsNameKey(std::string_view(rel_path).substr(0, slash));
    if (auto it = files_.find(folder); it != files_.end()) {
      *err = msg::kNameFileAndFolder + Pair(full_path, it->second.full_path);
      return false;
    }
    folders_.emplace(folder, Seen{rel_path.substr(0, slash), full_path});
  }
  files_.emplace(key, Seen{rel_path, full_path});
  return true;
}

}  // namespace package
