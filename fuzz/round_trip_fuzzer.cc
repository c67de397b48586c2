// libFuzzer entry: arbitrary bytes compressed and decoded again.

#include <cstdlib>

#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzz::RoundTripTarget(data, size)) std::abort();
  return 0;
}
