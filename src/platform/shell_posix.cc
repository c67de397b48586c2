// POSIX implementation of shell.h: posix_spawn of /bin/sh -c.

#include "platform/shell.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

extern char** environ;

namespace platform {
namespace {

// Keeps the last kShellOutputKept bytes.
void KeepTail(std::string* out, const char* buf, size_t n) {
  out->append(buf, n);
  if (out->size() > 2 * kShellOutputKept) out->erase(0, out->size() - kShellOutputKept);
}

}  // namespace

bool RunShellCommand(const std::string& command, const std::string& file, ShellResult* result,
                     std::string* err) {
  *result = ShellResult();
  std::string prefix = std::string(kShellFileVariable) + "=";
  std::string entry = prefix + file;
  std::vector<char*> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, prefix.c_str(), prefix.size()) != 0) env.push_back(*e);
  env.push_back(entry.data());
  env.push_back(nullptr);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    if (err) *err = std::string("cannot run the shell: ") + strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  // Signals this program ignores (a full disk's SIGXFSZ, SIGPIPE) are the
  // command's to handle as usual.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGXFSZ);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t pid = 0;
  int rc = posix_spawn(&pid, "/bin/sh", &actions, &attr, const_cast<char* const*>(argv), env.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    if (err) *err = std::string("cannot run /bin/sh: ") + strerror(rc);
    return false;
  }
  char buf[4096];
  for (;;) {
    ssize_t n = read(fds[0], buf, sizeof buf);
    if (n > 0) KeepTail(&result->output, buf, static_cast<size_t>(n));
    else if (n == 0 || errno != EINTR) break;
  }
  close(fds[0]);
  if (result->output.size() > kShellOutputKept)
    result->output.erase(0, result->output.size() - kShellOutputKept);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result->exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

std::string ShellWordForFile(const std::string& file) {
  std::string out = "'";
  for (char c : file) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

}  // namespace platform
