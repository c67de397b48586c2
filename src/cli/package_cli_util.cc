#include "cli/package_cli_util.h"

#include <filesystem>

#include "package/messages.h"
#include "package/temp_files.h"
#include "platform/files.h"
#include "platform/temporaries.h"

namespace cli {
namespace {

// The read-only commands decode the uninstaller into the temp folder to read
// its name index; this is what they say when that fails.
constexpr char kNameIndexTempFailed[] = "无法在临时文件夹中解出卸载程序来读取它的文件列表：";

}  // namespace

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

bool OpenPackage(package::PackageReader& reader, const std::string& path, std::string* err) {
  if (reader.Open(path, err)) return true;
  if (platform::KindOfPath(path) == platform::PathKind::kFile && !package::HoldsAppendedData(path))
    *err = package::msg::kNotAPackage + path;
  return false;
}

bool ReadPackageNameIndex(package::PackageReader& reader, package::NameIndex* index,
                          std::string* err) {
  package::TempFile temp;
  const std::string folder = platform::TempFolder();
  if (!package::CreateTempUninstaller(folder, &temp, err, kNameIndexTempFailed)) return false;
  // A write that fails is the temp folder's fault; any other failure is the package's.
  std::string write_err;
  bool write_failed = false;
  auto write = [&](const uint8_t* buf, size_t n, std::string*) {
    write_failed = !temp.file->Write(buf, n, &write_err);
    return !write_failed;
  };
  std::string e;
  bool ok = reader.DecodeRecord(reader.contents().files.size() - 1, write, nullptr, &e);
  if (ok && !temp.file->Close(&write_err)) {
    ok = false;
    write_failed = true;
  }
  temp.file.reset();
  if (ok) ok = package::CheckUninstaller(temp.path, &e) && package::ReadNameIndex(temp.path, index, &e);
  platform::RemoveTemporaryFile(temp.path, nullptr);
  if (!ok && err)
    *err = write_failed ? package::msg::WithReason(kNameIndexTempFailed, temp.path, write_err) : e;
  return ok;
}

}  // namespace cli
