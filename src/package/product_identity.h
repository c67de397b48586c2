#pragma once
// The product's identity in the programs of a package: the version resource
// and the icon that the builder writes into the setup stub at the head of
// the package and into the uninstaller, when the programs of install.dat
// declare that they may carry them (package/identity_resources.h).
//
// The version resource's strings, in this order:
//   CompanyName       发行商
//   FileDescription   "<软件名称> 安装程序" or "<软件名称> 卸载程序"
//   FileVersion       版本, as given
//   LegalCopyright    "版权所有 © <发行商>" (empty without a publisher)
//   OriginalFilename  the package's file name, or "uninst.exe"
//   ProductName       软件名称
//   ProductVersion    版本, as given
//   QrMakerVersion    the version of the builder that made the package
// The fixed file and product versions are 版本's four numbers where it
// parses as such (version_resource.h), else zeros. The texts are the
// configuration's (cut as it stores them).

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "package/icon_file.h"
#include "package/version_resource.h"
#include "platform/files.h"

namespace package {

enum class IdentityProgram { kSetup, kUninstaller };

struct ProductIdentity {
  std::string app_name;
  std::string publisher;
  std::string version;
  std::string package_file_name;
  std::optional<Icon> icon;
};

// The builder's own version (the project's).
const char* BuilderVersion();

VersionInfo ProgramVersionInfo(const ProductIdentity& identity, IdentityProgram program);

// True when the resources hold the capability mark.
bool DeclaresIdentity(const std::vector<Resource>& resources);

// Writes the identity into the image at the start of f, which holds nothing
// else yet, when the image declares it may carry it (*stamped true); f is
// then cut to the image's new size. An image that does not declare it is
// not touched. False, with a message in *err, when f cannot be read or
// written or a declaring image's resources cannot be rewritten.
bool StampIdentityFile(platform::File& f, const ProductIdentity& identity, IdentityProgram program,
                       bool* stamped, std::string* err);

// The version resource of the image at the start of f (size bytes): *found
// false when it has none or it cannot be read as one.
bool ReadFileVersionInfo(platform::File& f, int64_t size, VersionInfo* info, bool* found,
                         std::string* err);

}  // namespace package
