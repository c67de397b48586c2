#pragma once
// Both programs run from folders a user may share with downloaded files
// (Downloads, the temp folder). Before anything else loads a DLL, this
// restricts the search to System32 so a planted DLL beside the program is
// never picked up.

namespace stub {

// Call first thing in the entry point. Returns false when the system does
// not offer the restriction (it is present on every supported Windows).
bool RestrictDllSearchToSystem32();

}  // namespace stub
