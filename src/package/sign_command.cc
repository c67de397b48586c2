#include "package/sign_command.h"

#include <cctype>
#include <memory>

#include "package/messages.h"
#include "package/pe_image.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace package {
namespace {

constexpr size_t kPlaceholderSize = sizeof kFilePlaceholder - 1;

// The offset of the next "$f" that stands alone, from at; npos when none.
size_t FindPlaceholder(const std::string& command, size_t at) {
  for (size_t i = command.find(kFilePlaceholder, at); i != std::string::npos;
       i = command.find(kFilePlaceholder, i + 1)) {
    size_t next = i + kPlaceholderSize;
    unsigned char c = next < command.size() ? static_cast<unsigned char>(command[next]) : 0;
    if (!std::isalnum(c) && c != '_') return i;
  }
  return std::string::npos;
}

// Drops trailing line breaks and blanks from the command's output.
std::string Trimmed(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  return s;
}

}  // namespace

bool HasFilePlaceholder(const std::string& command) {
  return FindPlaceholder(command, 0) != std::string::npos;
}

std::string SignCommandLine(const std::string& command, const std::string& path) {
  std::string quoted = platform::ShellWordForFile(path);
  std::string line;
  size_t at = 0;
  for (size_t i = FindPlaceholder(command, 0); i != std::string::npos;
       i = FindPlaceholder(command, at)) {
    line.append(command, at, i - at).append(quoted);
    at = i + kPlaceholderSize;
  }
  return line.append(command, at);
}

bool RunSignCommand(const std::string& command, const std::string& path, std::string* err) {
  std::string line = SignCommandLine(command, path);
  platform::ShellResult result;
  std::string e;
  if (!platform::RunShellCommand(line, path, &result, &e)) {
    *err = msg::kSignCannotRun + line + "（" + e + "）";
    return false;
  }
  std::string output = Trimmed(result.output);
  if (result.exit_code != 0) {
    *err = msg::kSignFailed + line + msg::kSignExitCode + std::to_string(result.exit_code) + "）" +
           (output.empty() ? "" : "\n" + output);
    return false;
  }
  auto f = platform::File::Open(path, platform::File::Mode::kRead, &e);
  int64_t size = 0;
  PeHeaders pe;
  if (!f || !f->Size(&size, &e) || !ReadPeHeaders(*f, size, &pe, &e)) {
    *err = msg::WithReason(msg::kSignLostFile, line, e);
    return false;
  }
  if (!HasTrailingCertTable(pe, size)) {
    *err = msg::kSignLeftUnsigned + line + (output.empty() ? "" : "\n" + output);
    return false;
  }
  return true;
}

}  // namespace package
