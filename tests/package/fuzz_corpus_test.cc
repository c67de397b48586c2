// Replays the package fuzz targets' seed corpora (fuzz/corpus) through them,
// and each target's seeds through the others: more shapes of input for
// each at no cost.

#include <gtest/gtest.h>

#include "package_fuzz_targets.h"
#include "seed_corpus.h"

namespace {

using fuzz::ReadSeedCorpus;

TEST(FuzzCorpus, PackageTargets) {
  struct Target {
    const char* corpus;
    bool (*run)(const uint8_t*, size_t);
  } targets[] = {{"package_reader", fuzz::PackageReaderTarget},
                 {"name_index", fuzz::NameIndexTarget},
                 {"stub_container", fuzz::StubContainerTarget},
                 {"resources", fuzz::ResourcesTarget},
                 {"compact_reader", fuzz::CompactReaderTarget}};
  for (const Target& corpus : targets) {
    auto seeds = ReadSeedCorpus(corpus.corpus);
    EXPECT_FALSE(seeds.empty()) << corpus.corpus;
    for (const auto& [name, bytes] : seeds)
      for (const Target& target : targets)
        EXPECT_TRUE(target.run(bytes.data(), bytes.size())) << corpus.corpus << "/" << name;
  }
}

}  // namespace
