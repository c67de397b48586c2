#include "cli/output_file.h"

#include <memory>

#include "package/temp_files.h"
#include "platform/temporaries.h"

namespace cli {
namespace {

constexpr int kMaxAttempts = 100;

// A failure on the temporary file is told as one on the output it stands
// for: the user never named the temporary file, which is gone afterwards.
void NameTheOutput(const std::string& temp, const std::string& path, std::string* err) {
  for (size_t at = err->find(temp); at != std::string::npos; at = err->find(temp, at + path.size()))
    err->replace(at, temp.size(), path);
}

// Creates a fresh temporary file beside path under a random name, never
// reusing an existing one. An existing path must be a regular file: the
// output replaces it, never a folder, a pipe or a device.
std::unique_ptr<platform::File> CreateTemp(const std::string& path, std::string* temp,
                                           std::string* err) {
  platform::PathKind kind = platform::KindOfPath(path);
  if (kind == platform::PathKind::kFolder || kind == platform::PathKind::kSpecial) {
    *err = "\"" + path + "\" is " +
           (kind == platform::PathKind::kFolder ? "a folder" : "not a regular file") +
           ": the output must be a file";
    return nullptr;
  }
  for (int n = 0; n < kMaxAttempts; ++n) {
    *temp = path + ".qrpack-" + package::RandomTag() + ".tmp";
    auto f = platform::CreateTemporaryFile(*temp, err);
    if (f) return f;
    if (!platform::PathExists(*temp)) {  // not a name collision
      NameTheOutput(*temp, path, err);
      return nullptr;
    }
  }
  *err = "\"" + path + "\": every name tried for a temporary file beside it was taken";
  return nullptr;
}

bool Finish(bool ok, const std::string& temp, const std::string& path, std::string* err) {
  if (ok && platform::MoveTemporaryFile(temp, path, err)) return true;
  platform::RemoveTemporaryFile(temp, nullptr);
  NameTheOutput(temp, path, err);
  return false;
}

}  // namespace

bool CheckNotAnInput(const std::string& path, const std::vector<std::string>& inputs,
                     std::string* err) {
  platform::FileIdentity out;
  if (!platform::GetFileIdentity(path, &out, nullptr)) return true;  // nothing there yet
  for (const std::string& input : inputs) {
    platform::FileIdentity in;
    if (platform::GetFileIdentity(input, &in, nullptr) && in == out) {
      *err = "\"" + path + "\" is the input \"" + input + "\": the output must not replace it";
      return false;
    }
  }
  return true;
}

bool WriteOutputFile(const std::string& path,
                     const std::function<bool(platform::File& file, std::string* err)>& fill,
                     std::string* err) {
  std::string temp;
  auto f = CreateTemp(path, &temp, err);
  if (!f) return false;
  bool ok = fill(*f, err) && f->Close(err);
  f.reset();
  return Finish(ok, temp, path, err);
}

bool WriteOutputFileByName(const std::string& path,
                           const std::function<bool(const std::string& temp, std::string* err)>& fill,
                           std::string* err) {
  std::string temp;
  auto f = CreateTemp(path, &temp, err);
  if (!f) return false;
  bool ok = f->Close(err);
  f.reset();
  ok = ok && fill(temp, err);
  return Finish(ok, temp, path, err);
}

}  // namespace cli
