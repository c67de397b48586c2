#pragma once
// MakePackage: writes the package of one request at its save path.
//
// Everything the package cannot hold is refused before anything is written:
// files of 2 GiB or more, names code page 936 cannot represent, coded
// strings over 32767 bytes, and payload sizes that, with the stub's share or
// with the uninstaller and its name index (what the trailer's total counts),
// exceed 2147483647 bytes (the size refusal). The package is written to a
// temporary file beside the save path, which replaces the save path in one
// step at the very end; on any failure both temporary files are removed and
// a file already at the save path is left as it was.

#include <vector>

#include "package/build_request.h"
#include "package/payload.h"

namespace package {

// The size limit: FileSize summed in list order in double precision; true as
// soon as the sum plus l1 (the stub's share) exceeds 2147483647.
bool ExceedsSizeLimit(const std::vector<PackFile>& files, int32_t l1);

BuildResult MakePackage(const PackageRequest& request, BuildProgress& progress);

}  // namespace package
