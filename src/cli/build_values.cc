#include "cli/build_values.h"

#include "package/layout.h"
#include "platform/text.h"
#include "platform/unicode.h"

namespace cli {

std::string PropertyValueProblem(const PropertyOption& option, const std::string& value) {
  const std::string quoted = "\"" + value + "\"";
  const std::string opt = option.option;
  size_t chars = platform::Utf16Length(value);
  if (chars > package::kConfigValueChars)
    return opt + " takes at most " + std::to_string(package::kConfigValueChars) +
           " characters (the package stores no more), not " + std::to_string(chars) + ": " + quoted;
  if (option.folder_name && value.find('\\') != std::string::npos)
    return opt + " is one folder name and cannot hold \"\\\": " + quoted;
  for (char c : value)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      return opt + " cannot hold a line break or other control character: " + quoted;
  bool lossy = false;
  platform::ToCodePage936(value, &lossy);
  if (lossy)
    return opt + " holds a character that Simplified Chinese (GBK, code page 936) cannot store: " +
           quoted;
  return "";
}

std::string SharedIdentityWarning(const std::string& name, const std::string& publisher,
                                  const std::string& uninstall_key) {
  return "warning: without --name or --publisher this package is the product \"" + name +
         "\" of \"" + publisher + "\" (uninstall key " + uninstall_key +
         "), like every package built with the same defaults: installing one replaces the "
         "other and removes its files. Give both --name and --publisher.";
}

std::string UninstallKeyLine(const std::string& key) {
  return "Uninstall key (product code): " + key;
}

}  // namespace cli
