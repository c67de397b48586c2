// qrpack verify: checks a whole package without writing any file.

#include "cli/args.h"
#include "cli/package_cli_util.h"
#include "cli/package_commands.h"
#include "package/layout.h"
#include "package/messages.h"

namespace cli {
namespace {

constexpr char kBadConfig[] = "配置信息缺少AppName、SetupDir、Publisher或Version";
constexpr char kBadIndexCount[] = "卸载程序的文件列表与安装包的文件数不符";
constexpr char kBadIndexName[] = "卸载程序的文件列表与安装包的文件名不符：";
constexpr char kBadIndexTitle[] = "卸载程序的文件列表标题与软件名称不符";
constexpr char kOptionWithoutFile[] = "安装选项指向的文件不在安装包中：";

bool Verify(package::PackageReader& reader, std::string* err) {
  const package::PackageContents& c = reader.contents();
  if (!c.config_parsed) return (*err = kBadConfig), false;
  int64_t sum = 0;
  for (size_t i = 0; i < c.files.size(); ++i) {
    auto discard = [](const uint8_t*, size_t, std::string*) { return true; };
    if (!reader.DecodeRecord(i, discard, nullptr, err)) return false;
    sum += c.files[i].original_size;
  }
  if (sum != c.trailer.total) return (*err = package::msg::kTotalMismatch), false;
  for (const package::OptionRecord& o : c.options) {
    bool found = false;
    for (const package::FileRecord& f : c.files) found = found || f.rel_path_gbk == o.name_gbk;
    if (!found) return (*err = kOptionWithoutFile + o.name), false;
  }
  package::NameIndex index;
  if (!ReadPackageNameIndex(reader, &index, err)) return false;
  if (index.rel_paths_gbk.size() + 1 != c.files.size()) return (*err = kBadIndexCount), false;
  for (size_t i = 0; i < index.rel_paths_gbk.size(); ++i)
    if (index.rel_paths_gbk[i] != c.files[i].rel_path_gbk)
      return (*err = kBadIndexName + index.rel_paths[i]), false;
  if (index.title != package::kLabelAppName + c.config.app_name) return (*err = kBadIndexTitle), false;
  // Last, the digest catches what the layout cannot show, such as a changed
  // byte of a stream that still decodes.
  return reader.VerifyDigest(nullptr, nullptr, err);
}

// What was checked beyond the layout and the streams.
std::string Checked(const package::ImageData& image) {
  std::string s = image.digest == package::DigestState::kFilled ? ", SHA-256 digest matches"
                                                                : ", no digest to check";
  return s + (image.signed_file ? ", signed" : "");
}

}  // namespace

int RunVerify(const Args& args, Io& io) {
  const Command& self = FindCommand("verify");
  ParsedArgs p;
  std::string err;
  if (!ParseArgs(args, ArgSyntax{{}, {}, 1}, &p, &err)) return UsageError(io, self, err);
  if (p.help) {
    io.out << "usage: " << kProgram << " " << self.synopsis << "\n\n" << self.help;
    return kExitOk;
  }
  package::PackageReader reader;
  if (!OpenPackage(reader, p.positional[0], &err) || !Verify(reader, &err)) return Fail(io, err);
  io.out << "OK: " << reader.contents().files.size() << " records, " << reader.contents().trailer.total
         << " bytes" << Checked(reader.image()) << "\n";
  return kExitOk;
}

}  // namespace cli
