// qrpack extract: writes a package's files below a folder.

#include "cli/args.h"
#include "cli/package_cli_util.h"
#include "cli/package_commands.h"
#include "platform/files.h"

namespace cli {
namespace {

constexpr char kUnsafeName[] = "安装包中的文件名会写到目标文件夹之外，什么也没有写：";

// The parts of a stored name, or false when the name could leave the
// folder it is written below: empty, absolute, a drive or UNC path, "." or
// "..", a ":" (drive or stream), "/" or an empty part.
bool SplitSafe(const std::string& name, std::vector<std::string>* parts) {
  parts->clear();
  if (name.find_first_of(":/") != std::string::npos || name.find('\0') != std::string::npos)
    return false;
  size_t start = 0;
  for (;;) {
    size_t end = name.find('\\', start);
    std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    parts->push_back(part);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

int RunExtract(const Args& args, Io& io) {
  const Command& self = FindCommand("extract");
  ParsedArgs p;
  std::string err;
  if (!ParseArgs(args, ArgSyntax{{}, {}, 2}, &p, &err)) return UsageError(io, self, err);
  if (p.help) {
    io.out << "usage: " << kProgram << " " << self.synopsis << "\n\n" << self.help;
    return kExitOk;
  }
  package::PackageReader reader;
  if (!reader.Open(p.positional[0], &err)) return Fail(io, err);
  const auto& files = reader.contents().files;
  std::vector<std::string> targets;
  std::string dir = AbsolutePath(p.positional[1]);
  for (const package::FileRecord& f : files) {
    std::vector<std::string> parts;
    if (!SplitSafe(f.rel_path, &parts)) return Fail(io, kUnsafeName + f.rel_path);
    std::string target = dir;
    for (const std::string& part : parts) target += platform::kPathSeparator + part;
    targets.push_back(target);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string& target = targets[i];
    std::string folder = target.substr(0, target.find_last_of(platform::kPathSeparator));
    if (!platform::CreateDirectories(folder, &err) ||
        !reader.DecodeRecordToFile(i, target, nullptr, &err))
      return Fail(io, err);
  }
  io.out << files.size() << " files written below " << dir << "\n";
  return kExitOk;
}

}  // namespace cli
