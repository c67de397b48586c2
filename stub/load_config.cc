// The image's load configuration. Its one setting, DependentLoadFlags, makes
// the system loader (Windows 10 1607 and later) look for every DLL it loads
// for this program, and for the DLLs those need, in System32 only, before
// any code of ours has run. The link keeps the structure (--require-defined)
// and set_load_config.py points the image's data directory at it.
#include <windows.h>

#include <cstddef>

// The header of this mingw-w64 still calls DependentLoadFlags Reserved1.
static_assert(offsetof(IMAGE_LOAD_CONFIG_DIRECTORY64, Reserved1) == 78,
              "DependentLoadFlags lies at offset 78 of IMAGE_LOAD_CONFIG_DIRECTORY64");

namespace {

constexpr IMAGE_LOAD_CONFIG_DIRECTORY64 MakeLoadConfig() {
  IMAGE_LOAD_CONFIG_DIRECTORY64 config{};
  config.Size = sizeof config;
  config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;  // DependentLoadFlags
  return config;
}

}  // namespace

extern "C" {
extern constinit const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used;
constinit const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used = MakeLoadConfig();
}
