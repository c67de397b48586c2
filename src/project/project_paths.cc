#include "project/project_paths.h"

#include <vector>

#include "platform/files.h"
#include "platform/real_path.h"
#include "project/messages.h"
#include "project/text_format.h"
#include "platform/unicode.h"

namespace project {
namespace {

bool IsSeparator(char c, PathStyle style) { return c == style.separator || (style.windows && c == '/'); }

bool SameText(std::string_view a, std::string_view b, PathStyle style) {
  return style.windows ? platform::EqualIgnoringCase(a, b) : a == b;
}

// The part of path below folder, or "" when path does not lie below it.
std::string Below(const std::string& path, const std::string& folder, PathStyle style) {
  std::string base = folder;
  if (base.empty()) return "";
  bool ends_with_separator = IsSeparator(base.back(), style);
  size_t skip = base.size() + (ends_with_separator ? 0 : 1);
  if (path.size() <= skip || !SameText(std::string_view(path).substr(0, base.size()), base, style))
    return "";
  if (!ends_with_separator && !IsSeparator(path[base.size()], style)) return "";
  return path.substr(skip);
}

std::vector<std::string> SplitParts(const std::string& path) {
  std::vector<std::string> parts(1);
  for (char c : path) {
    if (c == '/' || c == '\\') parts.emplace_back();
    else parts.back() += c;
  }
  return parts;
}

bool IsSafePart(const std::string& part) {
  return !part.empty() && part != "." && part != ".." && part.find(':') == std::string::npos;
}

}  // namespace

PathStyle NativePaths() { return platform::kPathSeparator == '\\' ? kWindowsPaths : kPosixPaths; }

bool IsAbsolutePath(const std::string& path, PathStyle style) {
  if (!style.windows) return !path.empty() && path[0] == '/';
  auto slash = [](char c) { return c == '\\' || c == '/'; };
  bool drive = path.size() >= 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') &&
               path[1] == ':' && slash(path[2]);
  bool unc = path.size() >= 2 && slash(path[0]) && slash(path[1]);
  return drive || unc;
}

std::string FolderOf(const std::string& path, PathStyle style) {
  size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1], style)) --i;
  if (i == 0) return "";
  size_t end = i - 1;  // the separator
  // A root keeps its separator: "/" or "C:\".
  bool root = end == 0 || (style.windows && end == 2 && path[1] == ':');
  return path.substr(0, root ? end + 1 : end);
}

std::string StoredPath(const std::string& absolute, const std::string& project_folder,
                       PathStyle style) {
  std::string rest = Below(absolute, project_folder, style);
  if (rest.empty()) return absolute;
  std::string stored;
  // A POSIX name holding a backslash would read back as two parts: such a path, and
  // one with a part a reader refuses, keeps the absolute form.
  if (!style.windows && rest.find('\\') != std::string::npos) return absolute;
  for (const std::string& part : SplitParts(rest)) {
    if (!IsSafePart(part)) return absolute;
    stored += (stored.empty() ? "" : "/") + part;
  }
  return stored;
}

bool ResolveStoredPath(const std::string& stored, const std::string& project_folder,
                       PathStyle style, std::string* absolute, std::string* what) {
  if (stored.empty() || IsAbsolutePath(stored, style)) {
    *absolute = stored;
    if (style.windows)
      for (char& c : *absolute)
        if (c == '/') c = '\\';
    return true;
  }
  std::string path = project_folder;
  for (const std::string& part : SplitParts(stored)) {
    if (!IsSafePart(part)) {
      *what = FormatText(msg::kBadPathPart, {stored});
      return false;
    }
    if (!path.empty() && !IsSeparator(path.back(), style)) path += style.separator;
    path += part;
  }
  *absolute = path;
  return true;
}

bool PathInsideFolder(const std::string& stored, std::string* inside, std::string* what) {
  inside->clear();
  for (const std::string& part : SplitParts(stored)) {
    if (!IsSafePart(part)) {
      *what = FormatText(msg::kBadInnerPath, {stored});
      return false;
    }
    *inside += (inside->empty() ? "" : "\\") + part;
  }
  return true;
}

bool StaysInsideThroughLinks(const std::string& absolute, const std::string& project_folder) {
  const PathStyle style = NativePaths();
  std::string real_folder, err;
  if (!platform::RealPath(project_folder, &real_folder, &err)) return true;  // nothing to compare
  // The deepest part of the path that exists decides where it leads.
  std::string existing = absolute;
  while (!existing.empty() && !platform::PathExists(existing)) {
    if (Below(existing, project_folder, style).empty()) return true;
    existing = FolderOf(existing, style);
  }
  std::string real;
  if (existing.empty() || !platform::RealPath(existing, &real, &err)) return true;
  return SameText(real, real_folder, style) || !Below(real, real_folder, style).empty();
}

}  // namespace project
