#pragma once
// Runs the real qrpack as a child process (POSIX), so a test can limit the
// size of the files it writes, signal it in the middle of its work, and
// see how it ended. A child that does not end within kHangLimit is killed
// and reported as hung: a command that waits forever fails its test
// instead of stopping the suite.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "scratch_dir.h"

struct ChildOptions {
  // The program and its first arguments; the built qrpack when empty.
  std::vector<std::string> program;
  std::string cwd = ".";
  rlim_t file_limit = 0;  // RLIMIT_FSIZE when > 0
  std::string tmpdir;     // TMPDIR when not empty
};

struct ChildResult {
  int code = -1;    // the exit status, -1 when ended by a signal
  int signal = 0;   // the signal that ended it
  bool hung = false;
  std::string out;
  std::string err;
};

class QrpackChild {
 public:
  static constexpr auto kHangLimit = std::chrono::seconds(120);

  QrpackChild(const std::vector<std::string>& args, const ChildOptions& options = {}) {
    const char* bin = std::getenv("QR_BINARY_DIR");
    std::vector<std::string> program = options.program;
    if (program.empty()) program = {std::string(bin ? bin : ".") + "/bin/qrpack"};
    std::string out = io_ / "out", err = io_ / "err";
    // Nothing buffered in this process may reach the child's output.
    std::fflush(stdout);
    std::fflush(stderr);
    pid_ = fork();
    if (pid_ == 0) {
      if (options.file_limit > 0) {
        struct rlimit lim = {options.file_limit, options.file_limit};
        setrlimit(RLIMIT_FSIZE, &lim);
      }
      // A test runner started in the background may pass these on ignored.
      signal(SIGINT, SIG_DFL);
      signal(SIGTERM, SIG_DFL);
      if (!options.tmpdir.empty()) setenv("TMPDIR", options.tmpdir.c_str(), 1);
      if (chdir(options.cwd.c_str()) != 0) _exit(126);
      if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(126);
      std::vector<char*> argv;
      for (const std::string& a : program) argv.push_back(const_cast<char*>(a.c_str()));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~QrpackChild() {
    if (pid_ > 0 && !ended_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Whether the child is still running.
  bool Running() {
    if (ended_) return false;
    pid_t r = waitpid(pid_, &status_, WNOHANG);
    if (r == pid_) ended_ = true;
    return !ended_;
  }
  void Signal(int sig) { kill(pid_, sig); }

  // Waits until the child ends (or kills it after kHangLimit).
  ChildResult Wait() {
    ChildResult r;
    const auto give_up = std::chrono::steady_clock::now() + kHangLimit;
    while (Running()) {
      if (std::chrono::steady_clock::now() > give_up) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        ended_ = true;
        r.hung = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (WIFEXITED(status_)) r.code = WEXITSTATUS(status_);
    if (WIFSIGNALED(status_)) r.signal = WTERMSIG(status_);
    r.out = ReadWholeFile(io_ / "out");
    r.err = ReadWholeFile(io_ / "err");
    return r;
  }

 private:
  ScratchDir io_;
  pid_t pid_ = -1;
  int status_ = 0;
  bool ended_ = false;
};

// Runs qrpack to its end.
inline ChildResult RunQrpackChild(const std::vector<std::string>& args,
                                  const ChildOptions& options = {}) {
  return QrpackChild(args, options).Wait();
}
