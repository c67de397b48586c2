#pragma once
// Files held by running programs. Setup and the uninstaller test every file
// they will replace or remove before changing anything, so a file in use
// never leaves a half-replaced or half-removed installation; the window
// then names the programs that hold it, where the system can tell, and
// offers to retry.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace stub {

// True when path names a file that another handle holds open without
// letting it be deleted or written (a running program, an open document):
// it could not be moved aside or removed now. False for a free or missing file.
bool IsFileInUse(const std::wstring& path);
// The first of paths that is in use, or empty.
std::wstring FirstFileInUse(const std::vector<std::wstring>& paths);

// Which programs hold a file: the system's Restart Manager, behind an
// interface so the logic around it can be tested without it.
class FileUsers {
 public:
  virtual ~FileUsers() = default;
  // The names of the programs that have file open; empty when the system
  // cannot tell.
  virtual std::vector<std::wstring> ProgramsUsing(const std::wstring& file) = 0;
};
std::unique_ptr<FileUsers> SystemFileUsers();

// The text that names a file in use and, when known, the programs holding it.
// lead is what could not be done ("无法替换…").
std::wstring InUseMessage(std::wstring_view lead, const std::wstring& file,
                          const std::vector<std::wstring>& programs);

// Waits, with the user's help, until none of the files is in use: while
// first_in_use finds one, ask (given the message) decides whether to look
// again (true: retry) or give up. Returns the file still in use, or empty
// when all are free.
std::wstring WaitUntilFree(const std::function<std::wstring()>& first_in_use, FileUsers& users,
                           std::wstring_view lead,
                           const std::function<bool(const std::wstring& message)>& ask);

}  // namespace stub
