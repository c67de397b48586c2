#include "package/windows_names.h"

#include "package/layout.h"
#include "package/messages.h"
#include "package/name_rules.h"
#include "platform/utf.h"
#include "platform/upper_case.h"

namespace package {
namespace {

std::string Pair(const std::string& path, const std::string& other) {
  return path + "（" + other + "）";
}

}  // namespace

std::u16string WindowsNameKey(std::string_view utf8) {
  return platform::UpperCaseKey(platform::Utf8ToUtf16(std::string(utf8)));
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

PayloadNames::PayloadNames() {
  size_t unused = 0;
  clashes_.Add(platform::Utf8ToUtf16(kUninstallerName), &unused);
  full_paths_.emplace_back();
}

bool PayloadNames::Add(const std::string& rel_path, const std::string& full_path, std::string* err) {
  size_t other = 0;
  NameClash clash = clashes_.Add(platform::Utf8ToUtf16(rel_path), &other);
  if (clash == NameClash::kNone) {
    full_paths_.push_back(full_path);
    return true;
  }
  if (other == 0) {
    *err = msg::kNameIsUninstaller + full_path;
    return false;
  }
  const char* lead = clash == NameClash::kSamePath  ? msg::kNameTwice
                     : clash == NameClash::kCaseOnly ? msg::kNameCaseClash
                                                     : msg::kNameFileAndFolder;
  *err = lead + Pair(full_path, full_paths_[other]);
  return false;
}

}  // namespace package
