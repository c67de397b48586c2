#include "project/project.h"

#include "shell/main_form.h"
#include "shell/unicode.h"

namespace project {

Project DefaultProject(const std::string& folder) {
  Project p;
  p.properties.app_name = shell::kDefaultAppName;
  p.properties.setup_dir = shell::kDefaultSetupDir;
  p.properties.publisher = shell::kDefaultPublisher;
  p.properties.version = shell::kDefaultVersion;
  p.properties.save_path = shell::DefaultSavePath(folder);
  return p;
}

package::PackageRequest ToRequest(const Project& p) {
  package::PackageRequest request;
  request.properties = p.properties;
  request.entries = p.entries;
  if (p.jobs) request.jobs = *p.jobs;
  request.sign_command = p.sign_command;
  return request;
}

bool IsProjectPath(const std::string& path) {
  const std::string_view ext = kExtension;
  return path.size() > ext.size() &&
         shell::EqualIgnoringCase(std::string_view(path).substr(path.size() - ext.size()), ext);
}

}  // namespace project
