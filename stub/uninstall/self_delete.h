#pragma once
// A running program cannot delete its own file. The uninstaller therefore
// hands the last step to a copy of itself in a fresh folder of its own
// (cleanup_folder.h): the copy waits until the uninstaller has ended,
// deletes uninst.exe, the install folder and the folders above it when setup
// made them and they are empty, and then has its own file and folder deleted
// once it has ended.

#include <string>
#include <vector>

namespace stub {

// Starts the cleanup copy for uninstaller (the running program's own path);
// folders are the folders setup made: the install folder and those above
// it. The copy waits for this process through an inherited handle, and
// goes on writing the log at log (when not empty). False with *err when
// the copy could not be made or started (nothing of it is left then).
bool StartSelfDelete(const std::wstring& uninstaller, const std::vector<std::wstring>& folders,
                     const std::wstring& log, std::wstring* err);

// The copy's work: waits for the process behind wait_handle, then removes
// target (only a file named uninst.exe) and those of folders that hold it
// when empty, and hands its own removal on.
void RunCleanupPass(unsigned long long wait_handle, const std::wstring& target,
                    const std::vector<std::wstring>& folders);

// The command line that removes file, and then folder when given and empty,
// once its standard input ends (the process that starts it holds the pipe's
// other end until it ends): the command processor reads a line, then tries
// "del" a bounded number of times, then "rd".
std::wstring DeleteWhenFreeCommand(const std::wstring& cmd_exe, const std::wstring& file,
                                  const std::wstring& folder);

// Starts that command processor. *input gets the writing end of its standard
// input (a HANDLE only this process holds): closing it, or the end of this
// process, lets the deletion go on. *process, when asked for, gets the
// command processor's process HANDLE.
bool StartDeleteWhenFree(const std::wstring& file, const std::wstring& folder, void** input,
                         void** process);

}  // namespace stub
