#pragma once
// One form for the install options of a build, so that the window, the
// command line and a project file that set the same options build the same
// package: for each option, the first file row in list order that carries
// it (in its Flags or by a file option naming it) carries it in its Flags,
// any other file row by a file option; file options are sorted, no two alike.

#include <vector>

#include "package/build_request.h"

namespace package {

void CanonicalOptions(std::vector<EntryRow>* rows, std::vector<FileOption>* file_options);

}  // namespace package
