#pragma once
// qrpack: one program, several commands. Each command is a function over the
// UTF-8 arguments after its name; it writes messages to the given streams and
// returns the process exit code. The table of commands is command_table.cc.

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the work failed; a message went to err
inline constexpr int kExitUsage = 2;   // bad command line; usage went to err

inline constexpr char kProgram[] = "qrpack";
// The builder's version: the project's version, set in one place (the
// top-level CMakeLists.txt).
inline constexpr char kVersion[] = QR_VERSION;

struct Io {
  std::ostream& out;
  std::ostream& err;
};

using Args = std::vector<std::string>;

struct Command {
  std::string_view name;
  std::string_view synopsis;  // "compress INPUT OUTPUT [--level N] [--key FILE]"
  std::string_view help;      // the rest of the command's --help text
  int (*run)(const Args& args, Io& io);
};

// Every command, in the order --help lists them.
std::span<const Command> Commands();

// Runs qrpack with the arguments after the program name.
int RunQrpack(const Args& args, Io& io);

// Prints "qrpack: message" to io.err and returns kExitFailed.
int Fail(Io& io, std::string_view message);
// Prints "qrpack: message", then the command's synopsis, to io.err and
// returns kExitUsage.
int UsageError(Io& io, const Command& cmd, std::string_view message);
// The command's entry in the table (the name must be there).
const Command& FindCommand(std::string_view name);

}  // namespace cli
