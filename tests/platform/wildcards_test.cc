// Wildcards in arguments: expanded by the program on Windows only.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/wildcards.h"
#include "scratch_dir.h"

namespace {

TEST(Wildcards, AreExpandedWhereTheSystemLeavesItToTheProgram) {
  ScratchDir dir;
  for (const char* name : {"a1.txt", "a2.txt", "b.txt"}) ASSERT_TRUE(WriteWholeFile(dir / name, name));
  const std::string pattern = dir / "a*.txt";
  std::vector<std::string> paths = platform::ExpandWildcards(pattern);
  std::sort(paths.begin(), paths.end());
#ifdef _WIN32
  EXPECT_EQ(paths, (std::vector<std::string>{dir / "a1.txt", dir / "a2.txt"}));
  EXPECT_EQ(platform::ExpandWildcards(dir / "?.txt"), (std::vector<std::string>{dir / "b.txt"}));
#else
  EXPECT_EQ(paths, (std::vector<std::string>{pattern})) << "the shell expands them";
#endif
  // No match, or no wildcard in the last part: the argument as it is.
  EXPECT_EQ(platform::ExpandWildcards(dir / "z*.txt"), (std::vector<std::string>{dir / "z*.txt"}));
  EXPECT_EQ(platform::ExpandWildcards(dir / "b.txt"), (std::vector<std::string>{dir / "b.txt"}));
}

}  // namespace
