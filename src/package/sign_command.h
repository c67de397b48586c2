#pragma once
// Signing a file of the build in place with the user's command (qrpack build
// --sign-command): the command runs through the system's shell (sh -c on
// POSIX, cmd /c on Windows) with every "$f" replaced by the file's path,
// quoted for that shell (platform::ShellWordForFile). A "$f" followed by a
// letter, a digit or "_" is part of a longer name ($file) and stays as it is.

#include <string>

namespace package {

inline constexpr char kFilePlaceholder[] = "$f";

bool HasFilePlaceholder(const std::string& command);

// The command line that signs path.
std::string SignCommandLine(const std::string& command, const std::string& path);

// Runs the command on path. Fails with a message that holds the command line
// and its output when the command cannot be started, ends with an exit code
// other than 0, or leaves the file without a certificate table at its end.
bool RunSignCommand(const std::string& command, const std::string& path, std::string* err);

}  // namespace package
