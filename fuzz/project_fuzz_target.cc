#include "project_fuzz_target.h"

#include <string_view>

#include "project/project_file.h"

namespace fuzz {

bool ProjectFileTarget(const uint8_t* data, size_t size) {
  // Paths of both systems, read without touching the disk.
  for (project::PathStyle style : {project::kPosixPaths, project::kWindowsPaths}) {
    const std::string path = style.windows ? "C:\\p\\x.qrproj" : "/p/x.qrproj";
    const project::ReadOptions options{style, false};
    std::string_view text(reinterpret_cast<const char*>(data), size);
    project::Project p;
    project::Problem problem;
    if (!project::ParseProject(text, path, &p, &problem, options)) {
      if (problem.what.empty() || problem.line < 0) return false;
      continue;
    }
    const std::string written = project::FormatProject(p, path, style);
    project::Project back;
    if (!project::ParseProject(written, path, &back, &problem, options) || !(back == p)) return false;
    if (project::FormatProject(back, path, style) != written) return false;
  }
  return true;
}

}  // namespace fuzz
