#include "cli/console.h"

#include <io.h>
#include <stdio.h>

namespace cli {

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

// Windows has no file-size signal: a write past a quota simply fails.
void IgnoreFileSizeSignal() {}

}  // namespace cli
