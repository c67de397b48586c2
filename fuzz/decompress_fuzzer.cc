// libFuzzer entry: arbitrary bytes through the stream decoder.

#include <cstdlib>

#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzz::DecompressTarget(data, size)) std::abort();
  return 0;
}
