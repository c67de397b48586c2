#pragma once
// The project file reader on arbitrary bytes. A refusal must say what is
// wrong; a project it takes must be written and read back as the same
// project, and written again as the same text. False on a broken promise.

#include <cstddef>
#include <cstdint>

namespace fuzz {

bool ProjectFileTarget(const uint8_t* data, size_t size);

}  // namespace fuzz
