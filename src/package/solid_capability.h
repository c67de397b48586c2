#pragma once
// Whether a setup program reads compact packages: it then carries an
// RT_RCDATA resource named kSolidResourceName whose data is
// kSolidLayoutVersion (layout.h). A build of a compact package checks the
// setup program of its install.dat this way.

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace package {

// Reads the resources of the image at the start of f (size bytes) and sets
// *reads. False only when f cannot be read.
bool SetupReadsSolid(platform::File& f, int64_t size, bool* reads, std::string* err);

}  // namespace package
