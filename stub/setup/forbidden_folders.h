#pragma once
// Folders setup never installs into, whoever names them (/D=, the window or
// an uninstall entry): a drive or share root, the Windows folder and
// everything below it, Program Files and ProgramData themselves, the folder
// of user profiles, a user profile's root and the shell's own folders
// themselves (Desktop, Documents, Downloads, Music, Pictures, Videos and
// AppData: Roaming, Local, LocalLow). Installing there would mix the
// product's files with the system's or the user's, and its uninstaller
// would later remove the folder's own files or the folder itself.
//
// A folder is compared after it has been made canonical (no \\?\ prefix,
// long names for 8.3 short names, no trailing dots or spaces), both as
// written and as the file system resolves it, so a junction or link that
// leads to a forbidden folder is forbidden too.

#include <string>
#include <vector>

namespace stub {

// The places, as absolute paths without a trailing "\".
struct ForbiddenPlaces {
  std::vector<std::wstring> exact;        // refused themselves
  std::vector<std::wstring> with_below;   // refused with everything below them
  std::vector<std::wstring> child_of;     // each folder directly inside is refused
};

// The system's places (known folders), each also as the file system
// resolves it.
ForbiddenPlaces SystemForbiddenPlaces();

// The canonical form of an absolute folder path: \\?\ and \\?\UNC\ taken
// off, every segment without trailing dots and spaces, no trailing "\"
// (but "C:\" for a root). Pure text: nothing is looked up.
std::wstring CanonicalFolderText(const std::wstring& folder);

// The folder as the file system resolves it: the deepest part that exists
// given its long name and followed through junctions and links
// (GetFinalPathNameByHandleW), the rest appended. The canonical text when
// nothing of it can be resolved.
std::wstring ResolvedFolder(const std::wstring& folder);

// True when the folder (canonical text) is one of places, by text only.
bool IsForbiddenText(const std::wstring& folder, const ForbiddenPlaces& places);

// True when folder, as written or as resolved, is forbidden; *why is then
// the message naming the folder.
bool IsForbiddenFolder(const std::wstring& folder, const ForbiddenPlaces& places, std::wstring* why);

}  // namespace stub
