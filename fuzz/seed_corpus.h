#pragma once
// The seed corpus of one fuzz target (fuzz/corpus/<target>), read whole, for
// the test suites that replay it. The source folder comes from
// QR_SOURCE_DIR, which ctest sets.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace fuzz {

inline std::vector<std::pair<std::string, std::vector<uint8_t>>> ReadSeedCorpus(
    const std::string& target) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  const char* src = std::getenv("QR_SOURCE_DIR");
  if (!src) return files;
  const char sep = platform::kPathSeparator;
  const std::string dir = std::string(src) + sep + "fuzz" + sep + "corpus" + sep + target;
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(dir, &entries, nullptr)) return files;
  for (const auto& e : entries) {
    if (e.is_directory) continue;
    auto f = platform::File::Open(dir + sep + e.name, platform::File::Mode::kRead, nullptr);
    std::vector<uint8_t> bytes(static_cast<size_t>(e.size));
    if (!f || !f->ReadExact(bytes.data(), bytes.size(), nullptr)) continue;
    files.emplace_back(e.name, std::move(bytes));
  }
  return files;
}

}  // namespace fuzz
