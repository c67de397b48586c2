#include "cli/package_cli_util.h"

#include <filesystem>

#include "package/temp_files.h"
#include "platform/files.h"

namespace cli {

std::string AbsolutePath(const std::string& utf8) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(std::u8string(utf8.begin(), utf8.end())), ec);
  if (ec) return utf8;
  p = p.lexically_normal();
  p.make_preferred();
  if (!p.has_filename() && p != p.root_path()) p = p.parent_path();
  std::u8string u8 = p.u8string();
  return std::string(u8.begin(), u8.end());
}

bool ReadPackageNameIndex(package::PackageReader& reader, package::NameIndex* index,
                          std::string* err) {
  package::TempFile temp;
  if (!package::CreateTempUninstaller(platform::TempFolder(), &temp, err)) return false;
  temp.file.reset();
  bool ok = reader.DecodeRecordToFile(reader.contents().files.size() - 1, temp.path, nullptr, err) &&
            package::ReadNameIndex(temp.path, index, err);
  platform::RemoveFile(temp.path, nullptr);
  return ok;
}

}  // namespace cli
