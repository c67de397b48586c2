#pragma once
// Reading and saving a project file on disk.

#include <cstdint>
#include <string>

#include "project/project.h"

namespace project {

// A project file larger than this is refused unread: no real project comes
// near it (a row takes some 60 bytes).
inline constexpr int64_t kMaxProjectBytes = 4 << 20;

// Reads and checks the project file at path (absolute). False with a message
// naming the file (and the line, where there is one); *out is then unchanged.
bool LoadProject(const std::string& path, Project* out, std::string* message);

// Writes p to path (absolute) in one step: the text goes into a new file
// beside it, which then replaces path. A failure leaves an older file at
// path as it was and no other file behind.
bool SaveProject(const std::string& path, const Project& p, std::string* message);

}  // namespace project
