#include "package/install_dat_check.h"

#include "platform/files.h"
#include "platform/md5.h"
#include "package/messages.h"
#include "platform/paths.h"

namespace package {

std::string BytesToHex(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 0x0F]);
  }
  return hex;
}

bool CheckFileMD5(const std::string& path, std::string_view expectedHex) {
  std::string err;
  int64_t size = 0;
  if (!platform::GetFileSize(path, &size, &err) || size == 0) return false;
  platform::Md5Digest digest;
  if (!platform::Md5OfFile(path, &digest, &err)) return false;
  return BytesToHex(digest) == expectedHex;
}

InstallDatCheck CheckInstallDat(const std::string& path, std::string_view expectedHex) {
  if (CheckFileMD5(path, expectedHex)) return {true, "", ""};
  return {false, msg::kInstallDatBroken, msg::kLoadFailedTitle};
}

std::string InstallDatPath() { return platform::JoinPath(platform::ProgramFolder(), kInstallDatName); }

}  // namespace package
