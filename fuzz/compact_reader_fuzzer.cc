// libFuzzer entry: arbitrary bytes as the solid data of a compact package.

#include <cstdlib>

#include "package_fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzz::CompactReaderTarget(data, size)) std::abort();
  return 0;
}
