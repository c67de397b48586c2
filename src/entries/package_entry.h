#pragma once
// One row of the entry list; the bits of its Flags are in option_bits.h.

#include <cstdint>
#include <string>
#include <string_view>

#include "entries/option_bits.h"

namespace entries {

struct PackageEntry {
  std::string Name;    // last component of the source path; never empty
  std::string Folder;  // the containing folder, ending with the separator
  std::string Flags;   // the bit mask as decimal text: "0", "64", "20"
  std::string FullPath() const { return Folder + Name; }
};

// The menu caption of an option bit, or "" for any other value.
const char* OptionCaption(int32_t bit);

// Flags text as a 32-bit integer (0 when the text is no decimal number),
// and back as decimal text.
int32_t ParseFlags(std::string_view text);
std::string FormatFlags(int32_t flags);

}  // namespace entries
