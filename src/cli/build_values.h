#pragma once
// What qrpack build checks in the values it stores in a package's
// configuration, so a value is stored exactly as given or refused: the
// window cuts them as the format requires, the command line says so.

#include <string>

namespace cli {

// One stored property: its option and whether it names the install folder.
struct PropertyOption {
  const char* option;  // "--name", "--dir", "--publisher", "--version"
  bool folder_name;    // "\" cannot be stored in it
};
inline constexpr PropertyOption kPropertyOptions[] = {
    {"--name", false}, {"--dir", true}, {"--publisher", false}, {"--version", false}};

// Empty when value would be stored as it is, else why it would not be:
// more than package::kConfigValueChars UTF-16 characters, a character
// outside code page 936, a control character (a line break would split
// the configuration text), or "\" in the folder name. The text names the
// option, the limit and the value.
std::string PropertyValueProblem(const PropertyOption& option, const std::string& value);

// The warning of a build without --name or --publisher: the package's
// identity is that of every package built with the defaults.
std::string SharedIdentityWarning(const std::string& name, const std::string& publisher,
                                  const std::string& uninstall_key);

// The line that names a product's uninstall key.
std::string UninstallKeyLine(const std::string& key);

}  // namespace cli
