#include "cli/console.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "platform/temporaries.h"

namespace cli {
namespace {

// The signal handler only writes the signal's number into this pipe, which
// is async-signal-safe; a thread of its own reads it and does the rest with
// ordinary code (the temporary list's lock, file removal).
int g_signal_pipe[2] = {-1, -1};

void OnSignal(int sig) {
  const int saved = errno;
  const unsigned char b = static_cast<unsigned char>(sig);
  ssize_t ignored = write(g_signal_pipe[1], &b, 1);
  (void)ignored;
  errno = saved;
}

void WaitForSignal() {
  unsigned char sig = 0;
  for (;;) {
    ssize_t n = read(g_signal_pipe[0], &sig, 1);
    if (n == 1) break;
    if (n < 0 && errno == EINTR) continue;
    return;
  }
  platform::RemoveTemporariesBeforeExit();
  static const char kMessage[] = "qrpack: interrupted\n";
  ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  (void)ignored;
  _exit(sig == SIGINT ? kExitInterrupted : sig == SIGTERM ? kExitTerminated : 128 + sig);
}

}  // namespace

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void IgnoreFileSizeSignal() { signal(SIGXFSZ, SIG_IGN); }

void HandleInterruptions() {
  if (pipe(g_signal_pipe) != 0) return;
  for (int fd : g_signal_pipe) fcntl(fd, F_SETFD, FD_CLOEXEC);
  std::thread(WaitForSignal).detach();
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old;
    // A signal ignored at start (a background job) stays ignored.
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
}

// A POSIX terminal takes UTF-8 as it is.
void UseUtf8Console() {}
void RestoreConsole() {}

}  // namespace cli
