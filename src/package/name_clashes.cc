#include "package/name_clashes.h"

#include "platform/upper_case.h"

namespace package {

NameClash NameClashes::Add(std::u16string_view rel_path, size_t* other) {
  std::u16string key = platform::UpperCaseKey(rel_path);
  if (auto it = files_.find(key); it != files_.end()) {
    *other = it->second.number;
    return it->second.rel_path == rel_path ? NameClash::kSamePath : NameClash::kCaseOnly;
  }
  if (auto it = folders_.find(key); it != folders_.end()) {
    *other = it->second.number;
    return NameClash::kFileAndFolder;
  }
  for (size_t slash = key.find(u'\\'); slash != std::u16string::npos; slash = key.find(u'\\', slash + 1)) {
    if (auto it = files_.find(key.substr(0, slash)); it != files_.end()) {
      *other = it->second.number;
      return NameClash::kFileAndFolder;
    }
  }
  size_t number = count_++;
  for (size_t slash = key.find(u'\\'); slash != std::u16string::npos; slash = key.find(u'\\', slash + 1))
    folders_.emplace(key.substr(0, slash), Seen{std::u16string(rel_path.substr(0, slash)), number});
  files_.emplace(std::move(key), Seen{std::u16string(rel_path), number});
  return NameClash::kNone;
}

}  // namespace package
