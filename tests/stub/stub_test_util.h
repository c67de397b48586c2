#pragma once
// Helpers for the tests of the setup program and the uninstaller: scratch
// folders, files and child processes, all with wide paths.

#include <cstdint>
#include <string>
#include <vector>

namespace stubtest {

// A fresh folder in the temp folder, removed with everything in it at the end.
class ScratchDir {
 public:
  explicit ScratchDir(const std::wstring& tag);
  ~ScratchDir();
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& rel) const { return path_ + L"\\" + rel; }

 private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);
// Writes bytes to path, creating the folders above it.
void WriteFile(const std::wstring& path, const std::string& bytes);
std::string ReadFile(const std::wstring& path);
bool Exists(const std::wstring& path);
// Every file below root, as paths relative to root with "\", sorted.
std::vector<std::wstring> ListTree(const std::wstring& root);
// Runs cmdline (a full command line) and returns its exit code, or -1 when it
// could not start or ran longer than timeout_ms.
int RunProgram(const std::wstring& cmdline, unsigned timeout_ms = 120000);
// RunProgram with the program's standard error (and output) collected
// into *output, as UTF-8.
int RunProgramCapturing(const std::wstring& cmdline, std::string* output,
                        unsigned timeout_ms = 120000);
// Makes link a new folder that is a junction to the folder target; false
// where the system cannot.
bool MakeJunction(const std::wstring& link, const std::wstring& target);
// Deterministic test data of n bytes, varied by seed (compressible in parts).
std::string MakeData(size_t n, uint32_t seed);

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);

}  // namespace stubtest
