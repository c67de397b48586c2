#pragma once
// The bits of an entry's Flags, as the entry list keeps them, the package
// stores them in its option records and the setup program reads them back.

#include <array>
#include <cstdint>

namespace entries {

// The six options are set on file rows only, each on at most one row;
// Directory marks a folder row, never changes after the add and is never
// stored in a package.
enum Option : int32_t {
  RunApp = 1,
  AddQuickLaunch = 2,
  AddDesktopcut = 4,
  AddToAutoRun = 8,
  AddToPrograms = 16,
  SetCtrlPanelIcon = 32,
  Directory = 64,
};

// Running a program after the install and the icon of the uninstall entry
// name one file each; the shortcut and start-up options may name several.
inline constexpr bool IsOneFileOption(int32_t bit) { return bit == RunApp || bit == SetCtrlPanelIcon; }

// The options in the order their records are written.
inline constexpr std::array<int32_t, 6> kOptionBits = {RunApp,       AddQuickLaunch, AddDesktopcut,
                                                       AddToAutoRun, AddToPrograms,  SetCtrlPanelIcon};

}  // namespace entries
