#pragma once
// The run's log (/LOG): what setup or the uninstaller did, step by step, and
// every message the user saw or would have seen, for deployment tools that
// learn nothing but the exit code. UTF-8 with a byte-order mark, one line
// per entry ("YYYY-MM-DD HH:MM:SS text", line breaks inside a text become
// spaces), CRLF line ends. The log holds only the package's own names, the
// machine's paths and the programs' own texts.
//
// One log per process (Log()), written from any thread, a whole line at a
// time. Lines written before the log is opened wait in memory
// and go first; a process that opens no log drops them. A log that cannot
// be opened, or fails later, is given up: the run goes on without it.

#include <windows.h>

#include <string>
#include <string_view>

#include "command_line.h"

namespace stub {

class LogSink {
 public:
  // A path the caller chose: created, or emptied when it exists. 0 or the
  // system's error code.
  unsigned long Create(const std::wstring& path);
  // A new log in folder named stem_YYYYMMDD-HHMMSS_<random>.log, made with
  // CREATE_NEW, so nothing planted under a foreseen name is followed.
  unsigned long CreateNew(const std::wstring& folder, const std::wstring& stem,
                          const std::wstring& random);
  // The log a parent run of this program opened (the elevated run, the
  // uninstaller's cleanup copy): appended to.
  unsigned long Continue(const std::wstring& path);

  // One entry: text, or lead followed by detail.
  void Write(std::wstring_view text);
  void Write(std::wstring_view lead, std::wstring_view detail);

  bool is_open() const { return file_ != nullptr; }
  // The log's full path once open.
  const std::wstring& path() const { return path_; }
  // Closes the log (the process is about to end).
  void Close();

 private:
  unsigned long Open(const std::wstring& path, unsigned long disposition, bool append);
  bool Put(const std::string& bytes);

  SRWLOCK lock_ = SRWLOCK_INIT;
  void* file_ = nullptr;  // guarded by lock_, like the two below
  std::wstring path_;
  std::string pending_;  // lines written before the log was opened
  bool given_up_ = false;
};

// The process's log.
LogSink& Log();

// Opens the log the command line asks for: /LOG=<path> (made absolute),
// /LOG alone (a new file in %TEMP% named after product), or the parent
// run's. False with *why (a complete message) when it was asked for and
// cannot be written; the run goes on without it.
bool OpenRequestedLog(const StubArgs& args, const std::wstring& product, std::wstring* why);

// The entry of a run's end: the exit code; then the log is closed.
int LogExit(int code);

}  // namespace stub
