#pragma once
// Shortcuts (.lnk through IShellLinkW) and the shell folders they go into.
// The caller has initialised COM on the thread.

#include <string>

namespace stub {

// Per-user installs use the user's folders and HKCU; per-machine installs the
// all-users folders and HKLM.
enum class Scope { kUser, kMachine };

enum class Place {
  kDesktop,
  kStartup,      // programs started at log-on
  kPrograms,     // Start Menu\Programs
  kQuickLaunch,  // the user's quick-launch bar (there is no all-users one)
};

// The folder of a place for a scope; false when the system has none. The
// folder may not exist yet (the quick-launch folder on systems without one):
// the caller makes it, and records that it did.
bool PlaceFolder(Place place, Scope scope, std::wstring* folder);

// Writes a shortcut at link_path to target (working folder: the target's folder).
bool CreateShortcut(const std::wstring& link_path, const std::wstring& target,
                    const std::wstring& description, std::string* err);

// The target a shortcut points to; false when link_path is no readable shortcut.
bool ReadShortcutTarget(const std::wstring& link_path, std::wstring* target);

// The file name without its extension: "tool.exe" gives "tool".
std::wstring StemOf(const std::wstring& name);

}  // namespace stub
