// Replays the project file fuzz target's seed corpus (fuzz/corpus).

#include <gtest/gtest.h>

#include "project_fuzz_target.h"
#include "seed_corpus.h"

namespace {

TEST(FuzzCorpus, ProjectFileTarget) {
  auto seeds = fuzz::ReadSeedCorpus("project_file");
  EXPECT_FALSE(seeds.empty());
  for (const auto& [name, bytes] : seeds)
    EXPECT_TRUE(fuzz::ProjectFileTarget(bytes.data(), bytes.size())) << name;
}

}  // namespace
