// libFuzzer entry: arbitrary bytes through the package reader reader.

#include <cstdlib>

#include "package_fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzz::PackageReaderTarget(data, size)) std::abort();
  return 0;
}
