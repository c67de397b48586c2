#include "project/project_file.h"

#include <cstdio>
#include <map>
#include <sstream>

#include <toml++/toml.h>

#include "package/sign_command.h"
#include "project/messages.h"
#include "project/text_format.h"
#include "project/toml_guard.h"
#include "form/main_form.h"
#include "platform/unicode.h"

namespace project {
namespace {

int LineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }
int LineOf(const toml::key& key) { return static_cast<int>(key.source().begin.line); }

// Thrown inside the reader at the first fault; caught by ParseProject.
struct Fault {
  Problem problem;
};

[[noreturn]] void Fail(int line, std::string what) { throw Fault{{line, std::move(what)}}; }

// Refuses every key of table that is not listed.
void OnlyKeys(const toml::table& table, std::initializer_list<std::string_view> known) {
  for (auto&& [key, node] : table) {
    bool listed = false;
    for (std::string_view k : known) listed = listed || key.str() == k;
    if (!listed) Fail(LineOf(key), FormatText(msg::kUnknownKey, {std::string(key.str())}));
  }
}

const toml::table* TableAt(const toml::table& parent, std::string_view key) {
  const toml::node* node = parent.get(key);
  if (!node) return nullptr;
  if (!node->is_table()) Fail(LineOf(*node), FormatText(msg::kWantTable, {std::string(key)}));
  return node->as_table();
}

// The text at key, or fallback when there is none.
std::string Text(const toml::table& table, std::string_view key, std::string fallback) {
  const toml::node* node = table.get(key);
  if (!node) return fallback;
  if (!node->is_string()) Fail(LineOf(*node), FormatText(msg::kWantText, {std::string(key)}));
  return node->as_string()->get();
}

class Reader {
 public:
  Reader(const std::string& project_path, const ReadOptions& options)
      : folder_(FolderOf(project_path, options.style)), options_(options) {}

  Project Read(const toml::table& root) {
    OnlyKeys(root, {"format", "package", "build", "entry"});
    ReadFormat(root);
    Project p = DefaultProject(folder_);
    // The default package beside the project, in this file's path style.
    std::string what;
    ResolveStoredPath(form::kDefaultPackageName, folder_, options_.style, &p.properties.save_path,
                      &what);
    if (const toml::table* pkg = TableAt(root, "package")) ReadPackage(*pkg, &p);
    if (const toml::table* build = TableAt(root, "build")) ReadBuild(*build, &p);
    if (const toml::node* entries = root.get("entry")) ReadEntries(*entries, &p);
    return p;
  }

 private:
  void ReadFormat(const toml::table& root) {
    const toml::node* node = root.get("format");
    if (!node) Fail(1, FormatText(msg::kMissingKey, {"format"}));
    const toml::value<int64_t>* v = node->as_integer();
    if (!v) Fail(LineOf(*node), FormatText(msg::kWantInteger, {"format"}));
    if (v->get() > kFormatVersion)
      Fail(LineOf(*node), FormatText(msg::kNewerFormat, {std::to_string(v->get()),
                                                         std::to_string(kFormatVersion)}));
    if (v->get() < 1) Fail(LineOf(*node), FormatText(msg::kBadFormat, {std::to_string(kFormatVersion)}));
  }

  void ReadPackage(const toml::table& t, Project* p) {
    OnlyKeys(t, {"name", "dir", "output", "publisher", "version"});
    package::PropertyValues& v = p->properties;
    v.app_name = Text(t, "name", v.app_name);
    v.setup_dir = Text(t, "dir", v.setup_dir);
    v.publisher = Text(t, "publisher", v.publisher);
    v.version = Text(t, "version", v.version);
    if (const toml::node* output = t.get("output")) {
      v.save_path = Path(Text(t, "output", ""), LineOf(*output));
    }
  }

  void ReadBuild(const toml::table& t, Project* p) {
    OnlyKeys(t, {"jobs", "sign-command", "icon", "compression"});
    if (const toml::node* node = t.get("jobs")) {
      const toml::value<int64_t>* v = node->as_integer();
      if (!v) Fail(LineOf(*node), FormatText(msg::kWantInteger, {"jobs"}));
      if (v->get() < 1 || v->get() > 1024) Fail(LineOf(*node), msg::kJobsRange);
      p->jobs = static_cast<int>(v->get());
    }
    if (const toml::node* node = t.get("sign-command")) {
      p->sign_command = Text(t, "sign-command", "");
      if (!package::HasFilePlaceholder(p->sign_command)) Fail(LineOf(*node), msg::kSignNoPlaceholder);
    }
    if (const toml::node* node = t.get("icon")) p->icon = Path(Text(t, "icon", ""), LineOf(*node));
    if (const toml::node* node = t.get("compression")) {
      std::string kind = Text(t, "compression", "");
      if (kind == kCompressionSolid) p->compression = package::Compression::kSolid;
      else if (kind != kCompressionLzss) Fail(LineOf(*node), msg::kBadCompression);
    }
  }

  void ReadEntries(const toml::node& node, Project* p) {
    const toml::array* list = node.as_array();
    if (!list) Fail(LineOf(node), FormatText(msg::kWantTable, {"entry"}));
    for (const toml::node& item : *list) {
      const toml::table* t = item.as_table();
      if (!t) Fail(LineOf(item), FormatText(msg::kWantTable, {"entry"}));
      p->entries.push_back(ReadEntry(*t));
    }
  }

  package::EntryRow ReadEntry(const toml::table& t) {
    OnlyKeys(t, {"path", "folder", "options"});
    const int line = LineOf(t);
    const toml::node* path_node = t.get("path");
    if (!path_node) Fail(line, FormatText(msg::kMissingKey, {"path"}));
    const int path_line = LineOf(*path_node);
    std::string stored = Text(t, "path", "");
    if (stored.empty()) Fail(path_line, msg::kEmptyEntryPath);
    std::string path = Path(stored, path_line);
    auto [seen, fresh] = entry_lines_.emplace(platform::FoldCase(path), path_line);
    if (!fresh) Fail(path_line, FormatText(msg::kEntryTwice, {stored, std::to_string(seen->second)}));

    package::EntryRow row;
    // As the window splits a chosen path, by this system's separator.
    const size_t cut = path.rfind(options_.style.separator) + 1;
    row.Folder = path.substr(0, cut);
    row.Name = path.substr(cut);
    if (row.Name.empty()) Fail(path_line, FormatText(msg::kRootEntry, {stored}));
    if (const toml::node* folder = t.get("folder")) {
      const toml::value<bool>* v = folder->as_boolean();
      if (!v) Fail(LineOf(*folder), FormatText(msg::kWantBoolean, {"folder"}));
      if (v->get()) row.Flags = kFolderBit;
    }
    if (const toml::node* options = t.get("options")) row.Flags |= Options(*options, row.Flags);
    return row;
  }

  int32_t Options(const toml::node& node, int32_t flags) {
    const toml::array* list = node.as_array();
    if (!list) Fail(LineOf(node), FormatText(msg::kWantList, {"options"}));
    int32_t bits = 0;
    for (const toml::node& item : *list) {
      const toml::value<std::string>* name = item.as_string();
      if (!name) Fail(LineOf(item), FormatText(msg::kWantList, {"options"}));
      int32_t bit = 0;
      for (const OptionName& o : kOptionNames)
        if (name->get() == o.name) bit = o.bit;
      if (bit == 0) Fail(LineOf(item), FormatText(msg::kUnknownOption, {name->get()}));
      if (flags & kFolderBit) Fail(LineOf(item), msg::kFolderOptions);
      auto [seen, fresh] = option_lines_.emplace(bit, LineOf(item));
      if (!fresh)
        Fail(LineOf(item), FormatText(msg::kOptionTwice, {name->get(), std::to_string(seen->second)}));
      bits |= bit;
    }
    return bits;
  }

  // The absolute path of a stored one, its way checked.
  std::string Path(const std::string& stored, int line) {
    std::string absolute, what;
    if (!ResolveStoredPath(stored, folder_, options_.style, &absolute, &what)) Fail(line, what);
    if (options_.check_links && !stored.empty() && !IsAbsolutePath(stored, options_.style) &&
        !StaysInsideThroughLinks(absolute, folder_))
      Fail(line, FormatText(msg::kPathThroughLink, {stored}));
    return absolute;
  }

  std::string folder_;
  ReadOptions options_;
  std::map<std::string, int> entry_lines_;  // case-folded path -> its line
  std::map<int32_t, int> option_lines_;     // option bit -> the line that set it
};

// A TOML string on one line: a literal string where one can hold the text
// (no quote mark, no control character), else a basic string with escapes.
std::string Quote(const std::string& text) {
  bool literal = true;
  for (unsigned char c : text) literal = literal && c != '\'' && c >= 0x20 && c != 0x7F;
  toml::format_flags flags = toml::format_flags::allow_unicode_strings;
  if (literal) flags |= toml::format_flags::allow_literal_strings;
  std::ostringstream os;
  toml::value<std::string> v(text);
  os << toml::toml_formatter(v, flags);
  return os.str();
}

}  // namespace

bool ParseProject(std::string_view text, const std::string& project_path, Project* out,
                  Problem* problem, const ReadOptions& options) {
  UnsafeCharacter unsafe;
  if (FindUnsafeCharacter(text, &unsafe)) {
    char hex[16];
    std::snprintf(hex, sizeof(hex), "%04X", static_cast<unsigned>(unsafe.code_point));
    *problem = {unsafe.line, FormatText(msg::kUnsafeCharacter, {hex})};
    return false;
  }
  try {
    toml::table root = toml::parse(text, std::string_view(project_path));
    *out = Reader(project_path, options).Read(root);
    return true;
  } catch (const toml::parse_error& e) {
    *problem = {static_cast<int>(e.source().begin.line),
                FormatText(msg::kSyntax, {std::string(e.description())})};
  } catch (const Fault& f) {
    *problem = f.problem;
  }
  return false;
}

namespace {

// The lowest format version that holds every key p needs.
int LowestFormat(const Project& p) {
  if (p.compression != package::Compression::kLzss) return kFormatWithCompression;
  return p.icon.empty() ? kFormatWithoutIcon : kFormatWithIcon;
}

}  // namespace

std::string FormatProject(const Project& p, const std::string& project_path, PathStyle style) {
  const std::string folder = FolderOf(project_path, style);
  auto path = [&](const std::string& absolute) { return Quote(StoredPath(absolute, folder, style)); };
  std::ostringstream out;
  out << "# QrMaker project\n"
      << "format = " << LowestFormat(p) << "\n\n"
      << "[package]\n"
      << "name = " << Quote(p.properties.app_name) << "\n"
      << "dir = " << Quote(p.properties.setup_dir) << "\n"
      << "output = " << path(p.properties.save_path) << "\n"
      << "publisher = " << Quote(p.properties.publisher) << "\n"
      << "version = " << Quote(p.properties.version) << "\n";
  const bool solid = p.compression == package::Compression::kSolid;
  if (p.jobs || !p.sign_command.empty() || !p.icon.empty() || solid) {
    out << "\n[build]\n";
    if (p.jobs) out << "jobs = " << *p.jobs << "\n";
    if (!p.sign_command.empty()) out << "sign-command = " << Quote(p.sign_command) << "\n";
    if (!p.icon.empty()) out << "icon = " << path(p.icon) << "\n";
    if (solid) out << "compression = " << Quote(kCompressionSolid) << "\n";
  }
  for (const package::EntryRow& row : p.entries) {
    out << "\n[[entry]]\npath = " << path(row.Folder + row.Name) << "\n";
    if (row.Flags & kFolderBit) out << "folder = true\n";
    std::string options;
    for (const OptionName& o : kOptionNames)
      if (row.Flags & o.bit) options += (options.empty() ? "" : ", ") + Quote(o.name);
    if (!options.empty()) out << "options = [" << options << "]\n";
  }
  return out.str();
}

std::string ProblemMessage(const std::string& file, const Problem& problem) {
  std::string where = problem.line > 0 ? FormatText(msg::kLineLead, {std::to_string(problem.line)})
                                       : std::string("：");
  return msg::kFileLead + file + where + problem.what;
}

}  // namespace project
