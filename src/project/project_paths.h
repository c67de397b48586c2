#pragma once
// How a project file stores a path: relative to the project's folder with
// "/" between the parts when the path lies below that folder, absolute (in
// the native form) otherwise. So a project moved or checked out elsewhere
// together with its files, on Windows or Linux, names the same files.

#include <string>

namespace project {

// The path rules of one system: Windows (backslash, drive letters and UNC
// names, letter case ignored) or POSIX.
struct PathStyle {
  char separator;
  bool windows;
};
inline constexpr PathStyle kWindowsPaths{'\\', true};
inline constexpr PathStyle kPosixPaths{'/', false};
PathStyle NativePaths();

bool IsAbsolutePath(const std::string& path, PathStyle style);

// The folder that holds the file at path (absolute), without a trailing
// separator except for a root.
std::string FolderOf(const std::string& path, PathStyle style);

// The stored form of an absolute path for a project in project_folder:
// "a/b/c.exe" below it, the path itself otherwise ("" stays "").
std::string StoredPath(const std::string& absolute, const std::string& project_folder,
                       PathStyle style);

// The absolute path a stored path names. Relative paths may separate their
// parts with "/" or "\"; a part that is empty, "." or "..", or holds a ":",
// is refused with *what saying so, as is a path that is neither absolute
// nor relative on this system.
bool ResolveStoredPath(const std::string& stored, const std::string& project_folder,
                       PathStyle style, std::string* absolute, std::string* what);

// The path of a file inside a folder entry as the package names it below
// the folder: the stored parts (separated by "/" or "\") joined by "\". A
// part that is empty, "." or "..", or holds a ":", is refused with *what
// saying so (so is an absolute path): the file must lie inside the folder.
bool PathInsideFolder(const std::string& stored, std::string* inside, std::string* what);

// Whether the relative path (resolved to absolute) stays inside
// project_folder once every link on its way is followed; a part that does
// not exist yet is taken as it is. Native paths only.
bool StaysInsideThroughLinks(const std::string& absolute, const std::string& project_folder);

}  // namespace project
