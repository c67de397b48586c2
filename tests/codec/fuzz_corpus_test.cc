// Replays the fuzzers' seed corpus (fuzz/corpus) through both targets.

#include <gtest/gtest.h>

#include <cstdlib>

#include "fuzz_targets.h"
#include "platform/files.h"

namespace {

// The corpus files of one target, read whole.
std::vector<std::pair<std::string, std::vector<uint8_t>>> Corpus(const std::string& target) {
  const char* src = std::getenv("QR_SOURCE_DIR");
  EXPECT_NE(src, nullptr) << "QR_SOURCE_DIR is set by ctest";
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  if (!src) return files;
  const char sep = platform::kPathSeparator;
  const std::string dir = std::string(src) + sep + "fuzz" + sep + "corpus" + sep + target;
  std::vector<platform::DirEntry> entries;
  std::string err;
  EXPECT_TRUE(platform::ListDirectory(dir, &entries, &err)) << err;
  for (const auto& e : entries) {
    if (e.is_directory) continue;
    auto f = platform::File::Open(dir + sep + e.name, platform::File::Mode::kRead, &err);
    std::vector<uint8_t> bytes(static_cast<size_t>(e.size));
    EXPECT_TRUE(f && f->ReadExact(bytes.data(), bytes.size(), &err)) << err;
    files.emplace_back(e.name, std::move(bytes));
  }
  EXPECT_FALSE(files.empty()) << dir;
  return files;
}

TEST(FuzzCorpus, DecompressTarget) {
  for (const auto& [name, bytes] : Corpus("decompress"))
    EXPECT_TRUE(fuzz::DecompressTarget(bytes.data(), bytes.size())) << name;
}

TEST(FuzzCorpus, RoundTripTarget) {
  for (const auto& [name, bytes] : Corpus("round_trip"))
    EXPECT_TRUE(fuzz::RoundTripTarget(bytes.data(), bytes.size())) << name;
}

// Every file of either corpus through the other target too: more shapes of
// input for both at no cost.
TEST(FuzzCorpus, CrossedOver) {
  for (const auto& [name, bytes] : Corpus("round_trip"))
    EXPECT_TRUE(fuzz::DecompressTarget(bytes.data(), bytes.size())) << name;
  for (const auto& [name, bytes] : Corpus("decompress"))
    EXPECT_TRUE(fuzz::RoundTripTarget(bytes.data(), bytes.size())) << name;
}

}  // namespace
