#pragma once
// One row of the entry list and the option bits of its Flags.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace entries {

struct PackageEntry {
  std::string Name;    // last component of the source path; never empty
  std::string Folder;  // the containing folder, ending with the separator
  std::string Flags;   // the bit mask as decimal text: "0", "64", "20"
  std::string FullPath() const { return Folder + Name; }
};

// Bits of Flags. The six options are set on file rows only, each on at most
// one row; Directory marks a folder row and never changes after the add.
enum Option : int32_t {
  RunApp = 1,
  AddQuickLaunch = 2,
  AddDesktopcut = 4,
  AddToAutoRun = 8,
  AddToPrograms = 16,
  SetCtrlPanelIcon = 32,
  Directory = 64,
};

inline constexpr std::array<int32_t, 6> kOptionBits = {RunApp,       AddQuickLaunch, AddDesktopcut,
                                                       AddToAutoRun, AddToPrograms,  SetCtrlPanelIcon};

// The menu caption of an option bit, or "" for any other value.
const char* OptionCaption(int32_t bit);

// Flags text as a 32-bit integer (0 when the text is no decimal number),
// and back as decimal text.
int32_t ParseFlags(std::string_view text);
std::string FormatFlags(int32_t flags);

}  // namespace entries
