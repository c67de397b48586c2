#include "project/project.h"

#include "form/main_form.h"
#include "platform/unicode.h"

namespace project {

Project DefaultProject(const std::string& folder) {
  Project p;
  p.properties.app_name = form::kDefaultAppName;
  p.properties.setup_dir = form::kDefaultSetupDir;
  p.properties.publisher = form::kDefaultPublisher;
  p.properties.version = form::kDefaultVersion;
  p.properties.save_path = form::DefaultSavePath(folder);
  return p;
}

package::PackageRequest ToRequest(const Project& p) {
  package::PackageRequest request;
  request.properties = p.properties;
  request.entries = p.entries;
  if (p.jobs) request.jobs = *p.jobs;
  request.sign_command = p.sign_command;
  request.icon_path = p.icon;
  request.compression = p.compression;
  return request;
}

bool IsProjectPath(const std::string& path) {
  const std::string_view ext = kExtension;
  return path.size() > ext.size() &&
         platform::EqualIgnoringCase(std::string_view(path).substr(path.size() - ext.size()), ext);
}

}  // namespace project
