#pragma once
// The fuzz targets of the readers of hostile files, as plain functions so
// that the test suites can replay the seed corpus through them with any
// compiler. Each returns false when an invariant of the reader is broken
// (the fuzzer then aborts); a crash, a hang or a sanitizer report is a
// failure as well.

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Reads arbitrary bytes as a package: the trailer, the configuration text,
// the option records and the file records. An accepted package has every
// record inside the file, and every record decodes to at most (when it
// decodes: exactly) the size its header announces. The last record is then
// read as the uninstaller's name index, as list and verify read it.
bool PackageReaderTarget(const uint8_t* data, size_t size);

// Reads arbitrary bytes as the solid data of a compact package (the
// package is assembled around them, see package_fuzz_targets.cc): an
// accepted package's frames hold every file in order, and decoding gives
// each file exactly its size or fails with a message, in bounded pieces.
bool CompactReaderTarget(const uint8_t* data, size_t size);

// Reads arbitrary bytes as an uninstaller with its name index.
bool NameIndexTarget(const uint8_t* data, size_t size);

// Reads arbitrary bytes as install.dat and decodes both members: an
// accepted container decodes each member to the size its header announces,
// or fails with a message.
bool StubContainerTarget(const uint8_t* data, size_t size);

// Reads arbitrary bytes as an icon file, as a program image's resources and
// icon, and as a version resource. An accepted icon has 1..kMaxIconImages
// images and reads back the same from the .ico file it makes; an accepted
// resource list has at most kMaxResources entries.
bool ResourcesTarget(const uint8_t* data, size_t size);

}  // namespace fuzz
