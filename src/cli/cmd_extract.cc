// qrpack extract: writes a package's files below a folder.

#include "cli/args.h"
#include "cli/extraction.h"
#include "cli/package_cli_util.h"
#include "cli/package_commands.h"

namespace cli {

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
  if (!OpenPackage(reader, p.positional[0], &err)) return Fail(io, err);
  std::string dir = AbsolutePath(p.positional[1]);
  if (!ExtractPackage(reader, dir, &err)) return Fail(io, err);
  io.out << reader.contents().files.size() << " files written below " << dir << "\n";
  return kExitOk;
}

}  // namespace cli
