// qrpack list: what a package holds, as text or JSON.

#include <array>
#include <cstdio>
#include <optional>

#include "cli/args.h"
#include "cli/build_values.h"
#include "cli/package_cli_util.h"
#include "cli/package_commands.h"
#include "entries/package_entry.h"
#include "package/layout.h"
#include "package/product_key.h"
#include "package/product_identity.h"

namespace cli {
namespace {

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

// The configuration's four values with their labels, in the text's order.
struct ConfigLine {
  const char* label;
  const std::string& value;
};
std::array<ConfigLine, 4> ConfigLines(const package::ConfigValues& config) {
  return {{{package::kLabelAppName, config.app_name},
           {package::kLabelSetupDir, config.setup_dir},
           {package::kLabelPublisher, config.publisher},
           {package::kLabelVersion, config.version}}};
}

std::string UninstallKey(const package::ConfigValues& config) {
  return package::ProductKeyNameUtf8(config.app_name, config.publisher);
}

const char* DigestName(const package::ImageData& image) {
  switch (image.digest) {
    case package::DigestState::kFilled: return "sha256";
    case package::DigestState::kUnfilled: return "empty";
    case package::DigestState::kNone: break;
  }
  return "none";
}

std::string Numbers(const std::array<uint16_t, 4>& v) {
  return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
         std::to_string(v[3]);
}

// The setup program's version resource, as Explorer's file properties show it.
std::optional<package::VersionInfo> ReadVersionInfo(const package::PackageReader& reader, std::string* err) {
  auto f = platform::File::Open(reader.path(), platform::File::Mode::kRead, err);
  package::VersionInfo info;
  bool found = false;
  if (!f || !package::ReadFileVersionInfo(*f, reader.contents().stub_size, &info, &found, err)) return std::nullopt;
  if (!found) return std::nullopt;
  return info;
}

void PrintVersionJson(const std::optional<package::VersionInfo>& v, std::ostream& os) {
  if (!v) {
    os << "null";
    return;
  }
  os << "{\"file_version\": " << Json(Numbers(v->file_version))
     << ", \"product_version\": " << Json(Numbers(v->product_version)) << ", \"language\": " << v->language
     << ", \"code_page\": " << v->code_page << ", \"strings\": {";
  for (size_t i = 0; i < v->strings.size(); ++i)
    os << (i ? ", " : "") << Json(v->strings[i].first) << ": " << Json(v->strings[i].second);
  os << "}}";
}

void PrintVersionText(const std::optional<package::VersionInfo>& v, std::ostream& os) {
  if (!v) {
    os << "Version information: none\n";
    return;
  }
  char lang[16];
  std::snprintf(lang, sizeof lang, "%04x", v->language);
  os << "Version information (language " << lang << ", code page " << v->code_page
     << "): file " << Numbers(v->file_version) << ", product " << Numbers(v->product_version) << "\n";
  for (const auto& [name, value] : v->strings) os << "  " << name << ": " << value << "\n";
}

void PrintJson(const package::PackageContents& c, const package::ImageData& image,
               const package::NameIndex& index, const std::optional<package::VersionInfo>& version,
               std::ostream& os) {
  os << "{\n  \"size\": " << c.data_end << ",\n  \"signed\": " << (image.signed_file ? "true" : "false")
     << ",\n  \"digest\": " << Json(DigestName(image)) << ",\n  \"stub_size\": " << c.stub_size << ",\n  \"total\": " << c.trailer.total
     << ",\n  \"record_count\": " << c.trailer.record_count << ",\n  \"config_text\": "
     << Json(c.config_text) << ",\n  \"config\": {";
  const std::array<ConfigLine, 4> lines = ConfigLines(c.config);
  for (size_t i = 0; i < lines.size(); ++i)
    os << (i ? ", " : "") << Json(std::string(package::LabelKey(lines[i].label))) << ": "
       << Json(lines[i].value);
  os << "},\n  \"uninstall_key\": " << Json(UninstallKey(c.config)) << ",\n  \"option_union\": " << c.option_union << ",\n  \"options\": [";
  for (size_t i = 0; i < c.options.size(); ++i)
    os << (i ? ", " : "") << "{\"bit\": " << c.options[i].bit << ", \"name\": " << Json(c.options[i].name) << "}";
  os << "],";
  // A compact package's frames; its files have no size of their own compressed.
  if (c.solid) {
    os << "\n  \"compression\": \"solid\",\n  \"solid_frames\": [";
    for (size_t i = 0; i < c.frames.size(); ++i)
      os << (i ? ", " : "") << "{\"files\": " << c.frames[i].files << ", \"compressed\": " << c.frames[i].compLen << "}";
    os << "],";
  }
  os << "\n  \"files\": [";
  for (size_t i = 0; i < c.files.size(); ++i) {
    const package::FileRecord& f = c.files[i];
    os << (i ? "," : "") << "\n    {\"path\": " << Json(f.rel_path) << ", \"size\": " << f.original_size
       << ", \"compressed\": " << (f.solid ? "null" : std::to_string(f.compLen)) << "}";
  }
  os << "\n  ],\n  \"name_index\": {\"title\": " << Json(index.title) << ", \"paths\": [";
  for (size_t i = 0; i < index.rel_paths.size(); ++i) os << (i ? ", " : "") << Json(index.rel_paths[i]);
  os << "]},\n  \"version_info\": ";
  PrintVersionJson(version, os);
  os << "\n}\n";
}

void PrintText(const package::PackageContents& c, const package::ImageData& image,
               const package::NameIndex& index, const std::optional<package::VersionInfo>& version,
               std::ostream& os) {
  os << "Package: " << c.data_end << " bytes, "
     << (image.signed_file ? "signed (certificate table of " + std::to_string(image.pe.cert_size) + " bytes)"
                           : std::string("not signed"))
     << ", " << (image.digest == package::DigestState::kFilled ? "SHA-256 digest (verify checks it)" : "no digest")
     << "\n";
  os << "Configuration (stub " << c.stub_size << " bytes):\n";
  for (const ConfigLine& line : ConfigLines(c.config)) os << "  " << line.label << line.value << "\n";
  os << "  " << UninstallKeyLine(UninstallKey(c.config)) << "\n";
  os << "Install options (" << c.options.size() << "):\n";
  for (const package::OptionRecord& o : c.options)
    os << "  " << o.bit << " " << entries::OptionCaption(o.bit) << ": " << o.name << "\n";
  os << "Files (" << c.files.size() << " records, total " << c.trailer.total << " bytes):\n";
  if (c.solid) {
    int64_t compressed = 0;
    for (const package::SolidFrame& f : c.frames) compressed += f.compLen;
    os << "  Compact package: the first " << c.solid_files << " files in " << c.frames.size()
       << " zstd frame(s) of " << compressed << " bytes\n";
  }
  for (const package::FileRecord& f : c.files) {
    char buf[64];
    if (f.solid) std::snprintf(buf, sizeof buf, "  %12d %12s  ", f.original_size, "-");
    else std::snprintf(buf, sizeof buf, "  %12d %12d  ", f.original_size, f.compLen);
    os << buf << f.rel_path << "\n";
  }
  os << "Uninstaller name index: " << index.title << ", " << index.rel_paths.size() << " names\n";
  for (const std::string& path : index.rel_paths) os << "  " << path << "\n";
  PrintVersionText(version, os);
}

}  // namespace

int RunList(const Args& args, Io& io) {
  const Command& self = FindCommand("list");
  ParsedArgs p;
  std::string err;
  if (!ParseArgs(args, ArgSyntax{{}, {"--json"}, 1}, &p, &err)) return UsageError(io, self, err);
  if (p.help) {
    io.out << "usage: " << kProgram << " " << self.synopsis << "\n\n" << self.help;
    return kExitOk;
  }
  package::PackageReader reader;
  package::NameIndex index;
  if (!OpenPackage(reader, p.positional[0], &err) || !ReadPackageNameIndex(reader, &index, &err))
    return Fail(io, err);
  std::optional<package::VersionInfo> version = ReadVersionInfo(reader, &err);
  if (!version && !err.empty()) return Fail(io, err);
  if (p.HasFlag("--json")) PrintJson(reader.contents(), reader.image(), index, version, io.out);
  else PrintText(reader.contents(), reader.image(), index, version, io.out);
  return kExitOk;
}

}  // namespace cli
