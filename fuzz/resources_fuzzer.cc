// libFuzzer entry: arbitrary bytes as an icon, program resources and a version resource.

#include <cstdlib>

#include "package_fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzz::ResourcesTarget(data, size)) std::abort();
  return 0;
}
