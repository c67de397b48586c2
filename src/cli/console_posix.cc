#include "cli/console.h"

#include <signal.h>
#include <unistd.h>

namespace cli {

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void IgnoreFileSizeSignal() { signal(SIGXFSZ, SIG_IGN); }

}  // namespace cli
