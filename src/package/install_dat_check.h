#pragma once
// The start-up check that install.dat is the file the program was built
// with: its MD5 digest, as 32 uppercase hex digits, must equal the expected
// text exactly (the build generates that text from the project's own
// install.dat; see install_dat_digest.h).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace package {

// Two uppercase hex digits per byte, in order ("0F" for 15).
std::string BytesToHex(std::span<const uint8_t> bytes);

// True when the file's MD5 digest text equals expectedHex (case matters).
// False for a missing, unreadable or empty file (an empty file is not
// hashed), and when the crypto service gives no digest.
bool CheckFileMD5(const std::string& path, std::string_view expectedHex);

// The file name of the container, looked for in the program's folder.
inline constexpr char kInstallDatName[] = "install.dat";

// The decision of the start-up check. When ok is false the program shows
// message with title (exclamation icon, OK button) and ends.
struct InstallDatCheck {
  bool ok = false;
  const char* message = "";
  const char* title = "";
};
InstallDatCheck CheckInstallDat(const std::string& path, std::string_view expectedHex);

// The install.dat beside the running program.
std::string InstallDatPath();

}  // namespace package
