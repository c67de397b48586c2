// The end of every step of a run. In a test build (QR_STOP_AFTER_STEPS
// defined) the process ends itself, as a power cut or the task manager would
// end it, once it has taken the number of steps its environment variable of
// that name says; the programs that ship are built without it.
#include "journal_file.h"

#ifdef QR_STOP_AFTER_STEPS
#include <cstdlib>
#endif

namespace stub {

void AfterRunStep() {
#ifdef QR_STOP_AFTER_STEPS
  static long steps = 0;
  const char* limit = std::getenv("QR_STOP_AFTER_STEPS");
  if (limit && ++steps >= std::atol(limit)) TerminateProcess(GetCurrentProcess(), kStoppedExitCode);
#endif
}

}  // namespace stub
