#pragma once
// The *.qrproj file: UTF-8 TOML that a person can read, edit and diff; its
// keys, paths and versions are written down in docs/format.md. A reader
// refuses unknown keys, so a later format that adds keys (the compression
// kind, an icon) raises `format` and older readers say that it is newer.

#include <string>
#include <string_view>

#include "project/project.h"
#include "project/project_paths.h"

namespace project {

// The format version this program writes and the newest it reads.
inline constexpr int kFormatVersion = 3;
// The oldest version that holds every key but build.icon (added in 2) and
// build.compression (added in 3); the writer writes the lowest version that
// holds what it writes, so older programs read such files.
inline constexpr int kFormatWithoutIcon = 1;
inline constexpr int kFormatWithIcon = 2;
// The version that added build.compression.
inline constexpr int kFormatWithCompression = 3;
// The values of build.compression.
inline constexpr char kCompressionLzss[] = "lzss";
inline constexpr char kCompressionSolid[] = "solid";

// What is wrong with a project file, and where: line counts from 1, 0 when
// the fault belongs to no line.
struct Problem {
  int line = 0;
  std::string what;
};

struct ReadOptions {
  PathStyle style = NativePaths();
  // Whether relative paths are checked against links that lead out of the
  // project's folder (only for native paths on this machine).
  bool check_links = true;
};

// Reads the text of the project file at project_path (absolute). False with
// *problem at the first fault; *out is then unchanged.
bool ParseProject(std::string_view text, const std::string& project_path, Project* out,
                  Problem* problem, const ReadOptions& options = {});

// The file's text for p when saved at project_path (absolute).
std::string FormatProject(const Project& p, const std::string& project_path,
                          PathStyle style = NativePaths());

// "项目文件有误：<file> 第 <line> 行：<what>".
std::string ProblemMessage(const std::string& file, const Problem& problem);

}  // namespace project
