#include "package/product_identity.h"

#include <algorithm>

#include "package/byte_fields.h"
#include "package/identity_resources.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/pe_resources.h"

namespace package {
namespace {

constexpr char kSetupDescription[] = " 安装程序";
constexpr char kUninstallerDescription[] = " 卸载程序";
constexpr char kCopyright[] = "版权所有 © ";

bool IsIcon(const Resource& r) {
  return !r.type.IsName() && (r.type.id == kRtIcon || r.type.id == kRtGroupIcon);
}

// The image's resources with the version resource and, when the product
// has an icon, its icon in place of the image's own.
std::vector<Resource> StampedResources(std::vector<Resource> resources, const ProductIdentity& identity,
                                       IdentityProgram program) {
  std::erase_if(resources, [&](const Resource& r) {
    return (!r.type.IsName() && r.type.id == kRtVersion) || (identity.icon && IsIcon(r));
  });
  resources.push_back(Resource{{kRtVersion, {}}, {1, {}}, kIdentityLanguage, 0,
                               BuildVersionResource(ProgramVersionInfo(identity, program))});
  if (identity.icon)
    for (Resource& r : IconResources(*identity.icon, kProductIconId, 0)) resources.push_back(std::move(r));
  return resources;
}

}  // namespace

const char* BuilderVersion() { return QR_MAKER_VERSION; }

VersionInfo ProgramVersionInfo(const ProductIdentity& id, IdentityProgram program) {
  VersionInfo info;
  info.language = kIdentityLanguage;
  info.code_page = kIdentityCodePage;
  std::array<uint16_t, 4> numbers{};
  if (ParseVersionNumbers(id.version, &numbers)) info.file_version = info.product_version = numbers;
  bool setup = program == IdentityProgram::kSetup;
  info.strings = {
      {"CompanyName", id.publisher},
      {"FileDescription", id.app_name + (setup ? kSetupDescription : kUninstallerDescription)},
      {"FileVersion", id.version},
      {"LegalCopyright", id.publisher.empty() ? "" : kCopyright + id.publisher},
      {"OriginalFilename", setup ? id.package_file_name : std::string(kUninstallerName)},
      {"ProductName", id.app_name},
      {"ProductVersion", id.version},
      {"QrMakerVersion", BuilderVersion()},
  };
  return info;
}

bool DeclaresIdentity(const std::vector<Resource>& resources) {
  return FindResource(resources, kRtRcData, ResourceId{0, kIdentityMarkerName}) != nullptr;
}

bool StampIdentityFile(platform::File& f, const ProductIdentity& identity, IdentityProgram program,
                       bool* stamped, std::string* err) {
  *stamped = false;
  int64_t size = 0;
  std::vector<Resource> resources;
  FileResources result = FileResources::kRead;
  if (!f.Size(&size, err) || !ReadFileResources(f, size, &resources, &result, err)) return false;
  if (result != FileResources::kRead || !DeclaresIdentity(resources)) return true;
  std::string image(static_cast<size_t>(size), '\0');
  std::string e;
  if (!f.Seek(0, err) || !f.ReadExact(image.data(), image.size(), err)) return false;
  if (!ReplaceResources(&image, StampedResources(std::move(resources), identity, program), &e)) {
    *err = msg::kIdentityNotWritable + e;
    return false;
  }
  if (!f.Seek(0, err) || !f.Write(image.data(), image.size(), err) ||
      !f.Truncate(static_cast<int64_t>(image.size()), err))
    return false;
  *stamped = true;
  return true;
}

bool ReadFileVersionInfo(platform::File& f, int64_t size, VersionInfo* info, bool* found,
                         std::string* err) {
  *found = false;
  std::vector<Resource> resources;
  FileResources result = FileResources::kRead;
  if (!ReadFileResources(f, size, &resources, &result, err)) return false;
  const Resource* version = result == FileResources::kRead ? FindResource(resources, kRtVersion) : nullptr;
  *found = version != nullptr && ParseVersionResource(bytes::View(version->data), info);
  return true;
}

}  // namespace package
