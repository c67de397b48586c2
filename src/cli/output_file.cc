#include "cli/output_file.h"

#include <memory>

namespace cli {
namespace {

// Creates a fresh temporary file beside path, never reusing an existing name.
std::unique_ptr<platform::File> CreateTemp(const std::string& path, std::string* temp,
                                           std::string* err) {
  for (int n = 0; n < 100; ++n) {
    *temp = path + ".qrpack-" + std::to_string(n) + ".tmp";
    if (platform::PathExists(*temp)) continue;
    auto f = platform::File::Open(*temp, platform::File::Mode::kCreateNew, err);
    if (f) return f;
  }
  return nullptr;
}

bool Finish(bool ok, const std::string& temp, const std::string& path, std::string* err) {
  if (ok && platform::ReplaceFile(temp, path, err)) return true;
  std::string ignored;
  platform::RemoveFile(temp, &ignored);
  return false;
}

}  // namespace

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
