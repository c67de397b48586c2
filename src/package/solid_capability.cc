#include "package/solid_capability.h"

#include <vector>

#include "package/layout.h"
#include "package/pe_resources.h"

namespace package {

bool SetupReadsSolid(platform::File& f, int64_t size, bool* reads, std::string* err) {
  *reads = false;
  std::vector<Resource> resources;
  FileResources result = FileResources::kRead;
  if (!ReadFileResources(f, size, &resources, &result, err)) return false;
  if (result != FileResources::kRead) return true;
  std::u16string name;
  for (const char* c = kSolidResourceName; *c; ++c) name += static_cast<char16_t>(*c);
  const Resource* r = FindResource(resources, kRtRcData, ResourceId{0, name});
  if (!r) return true;
  // The version text, allowing the terminating zeros a resource compiler may add.
  std::string data = r->data;
  while (!data.empty() && data.back() == '\0') data.pop_back();
  *reads = data == kSolidLayoutVersion;
  return true;
}

}  // namespace package
