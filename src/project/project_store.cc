#include "project/project_store.h"

#include "package/temp_files.h"
#include "platform/files.h"
#include "platform/temporaries.h"
#include "project/messages.h"
#include "project/project_file.h"
#include "project/text_format.h"

namespace project {

bool LoadProject(const std::string& path, Project* out, std::string* message) {
  std::string err;
  std::unique_ptr<platform::File> file = platform::File::Open(path, platform::File::Mode::kRead, &err);
  int64_t size = 0;
  if (!file || !file->Size(&size, &err)) {
    *message = FormatText(msg::kCannotRead, {err});
    return false;
  }
  if (size > kMaxProjectBytes) {
    *message = ProblemMessage(path, {0, FormatText(msg::kTooLarge, {std::to_string(kMaxProjectBytes)})});
    return false;
  }
  std::string text(static_cast<size_t>(size), '\0');
  size_t got = 0;
  if (!file->Read(text.data(), text.size(), &got, &err)) {
    *message = FormatText(msg::kCannotRead, {err});
    return false;
  }
  text.resize(got);
  Problem problem;
  if (!ParseProject(text, path, out, &problem)) {
    *message = ProblemMessage(path, problem);
    return false;
  }
  return true;
}

bool SaveProject(const std::string& path, const Project& p, std::string* message) {
  const std::string text = FormatProject(p, path);
  const std::string temp = path + ".~" + package::RandomTag() + ".tmp";
  std::string err;
  std::unique_ptr<platform::File> file = platform::CreateTemporaryFile(temp, &err);
  bool ok = file && file->Write(text.data(), text.size(), &err) && file->Close(&err) &&
            platform::MoveTemporaryFile(temp, path, &err);
  if (!ok) {
    file.reset();
    std::string ignored;
    platform::RemoveTemporaryFile(temp, &ignored);
    *message = FormatText(msg::kCannotSave, {err});
  }
  return ok;
}

}  // namespace project
