#pragma once
// Where a package's icon comes from: qrpack build --icon FILE (an .ico file
// or an executable's first icon group) when given; else the file marked
// "设置为控制面板图标" when it is an .exe or .ico with an icon; else the
// file marked "运行该程序" likewise; else none, and the programs keep their
// own.

#include <optional>
#include <string>
#include <vector>

#include "package/build_request.h"
#include "package/icon_file.h"

namespace package {

// What a file is taken as: by its content (an executable starts with "MZ"),
// or, for a marked payload file, by its extension.
enum class IconSourceKind { kByContent, kIconFile, kExecutable };

// Reads the icon of the file at path. An executable's file is read no
// further than its resource section. A failure to read sets *io_err.
IconProblem ReadIconSource(const std::string& path, IconSourceKind kind, Icon* icon, std::string* io_err);

// Chooses and reads the product's icon; *icon stays empty when there is
// none. False, with a message naming the file, when the chosen file cannot
// be read, or its icon is damaged, too large, or (for --icon) no icon at all.
// A marked executable without an icon passes to the next choice.
bool ResolveProductIcon(const std::string& icon_path, const std::vector<EntryRow>& rows,
                        std::optional<Icon>* icon, std::string* err);

}  // namespace package
