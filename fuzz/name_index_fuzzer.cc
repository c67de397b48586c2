// libFuzzer entry: arbitrary bytes through the name index reader.

#include <cstdlib>

#include "package_fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzz::NameIndexTarget(data, size)) std::abort();
  return 0;
}
