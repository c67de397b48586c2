#pragma once
// Runs a piece of a test as a user without root's right to read every file,
// so a test of an unreadable file or folder means the same when the suite
// runs as root (as CI does). POSIX only.

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace non_root {

// The user root switches to: "nobody" on Debian.
inline constexpr uid_t kNobody = 65534;

// Runs body in a child process, as kNobody when this process is root (else
// as this user) and returns body's result; -1 when the switch failed (the
// caller skips its test), -2 when the child ended another way. body runs
// after fork, so it must not rely on other threads of the test.
inline int Run(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
      _exit(255);
    _exit(body() & 0x7F);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -2;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

// Lets every user read, write and pass through the folder path (a scratch
// folder the child writes into).
inline void OpenToEveryone(const std::string& path) {
  chmod(path.c_str(), 0777);
}

}  // namespace non_root
