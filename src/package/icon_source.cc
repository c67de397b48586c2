#include "package/icon_source.h"

#include <algorithm>

#include "entries/option_bits.h"
#include "package/byte_fields.h"
#include "package/messages.h"
#include "package/pe_resources.h"
#include "platform/files.h"
#include "platform/unicode.h"

namespace package {
namespace {

bool ReadAt(platform::File& f, int64_t at, size_t n, std::string* out, std::string* err) {
  out->resize(n);
  return f.Seek(at, err) && f.ReadExact(out->data(), n, err);
}

// The icon of an executable's first icon group.
IconProblem ExecutableIcon(platform::File& f, int64_t size, Icon* icon, std::string* err) {
  std::vector<Resource> resources;
  FileResources result = FileResources::kRead;
  if (!ReadFileResources(f, size, &resources, &result, err)) return IconProblem::kNone;
  switch (result) {
    case FileResources::kRead: return IconFromResources(resources, icon);
    case FileResources::kNotImage: return IconProblem::kNoIcon;
    case FileResources::kDamaged: return IconProblem::kDamaged;
    case FileResources::kTooLarge: return IconProblem::kTooLarge;
  }
  return IconProblem::kDamaged;
}

bool EndsWithNoCase(const std::string& s, const char* suffix) {
  std::string tail(suffix);
  return s.size() >= tail.size() && platform::EqualIgnoringCase(s.substr(s.size() - tail.size()), tail);
}

const char* ProblemText(IconProblem p) {
  switch (p) {
    case IconProblem::kDamaged: return msg::kIconDamaged;
    case IconProblem::kTooLarge: return msg::kIconTooLarge;
    case IconProblem::kTooBig: return msg::kIconTooBig;
    default: return msg::kIconNotIcon;
  }
}

}  // namespace

IconProblem ReadIconSource(const std::string& path, IconSourceKind kind, Icon* icon, std::string* io_err) {
  *icon = Icon{};
  io_err->clear();
  auto f = platform::File::Open(path, platform::File::Mode::kRead, io_err);
  int64_t size = 0;
  std::string magic;
  if (!f || !f->Size(&size, io_err) || !ReadAt(*f, 0, static_cast<size_t>(std::min<int64_t>(size, 2)), &magic, io_err))
    return IconProblem::kNone;
  bool executable = kind == IconSourceKind::kExecutable || (kind == IconSourceKind::kByContent && magic == "MZ");
  if (executable) {
    IconProblem p = ExecutableIcon(*f, size, icon, io_err);
    return kind == IconSourceKind::kByContent && p == IconProblem::kNoIcon ? IconProblem::kNotIcon : p;
  }
  if (size > kMaxIconBytes) return IconProblem::kTooLarge;
  std::string data;
  if (!ReadAt(*f, 0, static_cast<size_t>(size), &data, io_err)) return IconProblem::kNone;
  return ParseIconFile(bytes::View(data), icon);
}

bool ResolveProductIcon(const std::string& icon_path, const std::vector<EntryRow>& rows,
                        std::optional<Icon>* icon, std::string* err) {
  icon->reset();
  auto take = [&](const std::string& path, IconSourceKind kind, bool* found) {
    Icon read;
    std::string io_err;
    IconProblem p = ReadIconSource(path, kind, &read, &io_err);
    *found = false;
    if (!io_err.empty()) {
      *err = msg::WithReason(msg::kIconUnreadable, path, io_err);
      return false;
    }
    if (p == IconProblem::kNoIcon) return true;
    if (p != IconProblem::kNone) {
      *err = ProblemText(p) + path;
      return false;
    }
    *icon = std::move(read);
    *found = true;
    return true;
  };
  bool found = false;
  if (!icon_path.empty()) return take(icon_path, IconSourceKind::kByContent, &found);
  for (int32_t bit : {int32_t{entries::SetCtrlPanelIcon}, int32_t{entries::RunApp}}) {
    for (const EntryRow& row : rows) {
      if (!(row.Flags & bit) || (row.Flags & entries::Directory)) continue;
      IconSourceKind kind = EndsWithNoCase(row.Name, ".ico")   ? IconSourceKind::kIconFile
                            : EndsWithNoCase(row.Name, ".exe") ? IconSourceKind::kExecutable
                                                               : IconSourceKind::kByContent;
      if (kind == IconSourceKind::kByContent) continue;
      if (!take(row.Folder + row.Name, kind, &found)) return false;
      if (found) return true;
    }
  }
  return true;
}

}  // namespace package
