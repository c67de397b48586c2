// libFuzzer entry: arbitrary bytes through the project file reader and back.

#include <cstdlib>

#include "project_fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzz::ProjectFileTarget(data, size)) std::abort();
  return 0;
}
