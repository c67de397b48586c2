#pragma once
// Wildcards in command-line arguments, as each system's users expect them:
// a POSIX shell has expanded them before the program starts; on Windows
// the program does it (cmd passes "*.exe" as it is).

#include <string>
#include <vector>

namespace platform {

// The paths a pattern names: on Windows, when the last part of pattern holds
// "*" or "?", every file and folder it matches in its folder ("." and ".."
// left out), each as the folder part of pattern followed by the name found,
// in the order the system lists them; a pattern that matches nothing, or
// holds no wildcard, is itself the one path. Elsewhere always the pattern.
std::vector<std::string> ExpandWildcards(const std::string& pattern);

}  // namespace platform
