// The dispatcher: picks the command by its name and prints the overview.

#include "cli/cli.h"

namespace cli {
namespace {

void PrintOverview(std::ostream& os) {
  os << "usage: " << kProgram << " COMMAND [ARGS...]\n"
     << "       " << kProgram << " COMMAND --help\n"
     << "       " << kProgram << " --version\n\n"
     << "Commands:\n";
  for (const Command& c : Commands()) os << "  " << kProgram << " " << c.synopsis << "\n";
  os << "\nExit status: 0 success, 1 the work failed, 2 bad command line.\n";
}

}  // namespace

int Fail(Io& io, std::string_view message) {
  io.err << kProgram << ": " << message << "\n";
  return kExitFailed;
}

int UsageError(Io& io, const Command& cmd, std::string_view message) {
  io.err << kProgram << ": " << message << "\n"
         << "usage: " << kProgram << " " << cmd.synopsis << "\n"
         << "Try '" << kProgram << " " << cmd.name << " --help'.\n";
  return kExitUsage;
}

const Command& FindCommand(std::string_view name) {
  for (const Command& c : Commands()) {
    if (c.name == name) return c;
  }
  return Commands().front();
}

int RunQrpack(const Args& args, Io& io) {
  if (args.empty()) {
    PrintOverview(io.err);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintOverview(io.out);
    return kExitOk;
  }
  if (args[0] == "--version") {
    io.out << kProgram << " " << kVersion << "\n";
    return kExitOk;
  }
  for (const Command& c : Commands()) {
    if (c.name == args[0]) return c.run(Args(args.begin() + 1, args.end()), io);
  }
  io.err << kProgram << ": unknown command '" << args[0] << "'\n";
  PrintOverview(io.err);
  return kExitUsage;
}

}  // namespace cli
