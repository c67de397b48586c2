#pragma once
// Writing a command's output file so that a failure loses nothing: the bytes
// go to a new temporary file beside the target, which replaces the target
// only when complete. On failure the temporary file is removed and an older
// file at the target stays as it was.

#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace cli {

// False, with a message, when path names one of inputs (the same file under
// any name, through a link or a hard link): a command never replaces a file
// it reads.
bool CheckNotAnInput(const std::string& path, const std::vector<std::string>& inputs,
                     std::string* err);

// fill writes the content into the open temporary file.
bool WriteOutputFile(const std::string& path,
                     const std::function<bool(platform::File& file, std::string* err)>& fill,
                     std::string* err);

// The same for a producer that writes a file by name (such as a decoder
// that creates its output itself).
bool WriteOutputFileByName(const std::string& path,
                           const std::function<bool(const std::string& temp, std::string* err)>& fill,
                           std::string* err);

}  // namespace cli
