#include "package/temp_files.h"

#include <chrono>
#include <cmath>
#include <mutex>

#include "package/messages.h"
#include "platform/temporaries.h"
#include "platform/unicode.h"

namespace package {
namespace {

constexpr int kMaxAttempts = 100;

size_t NameStart(const std::string& path) {
  size_t sep = path.find_last_of(platform::kPathSeparator == '\\' ? "\\/" : "/");
  return sep == std::string::npos ? 0 : sep + 1;
}

// Creates the first candidate that does not exist yet.
template <typename NextName>
bool CreateFresh(NextName next, TempFile* out, std::string* err) {
  std::string last_err = msg::kNoFreeTempName;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    std::string path = next(attempt);
    if (path.empty()) continue;
    out->file = platform::CreateTemporaryFile(path, &last_err);
    if (out->file) {
      out->path = path;
      return true;
    }
    if (!platform::PathExists(path)) break;  // not a collision: give up
    last_err = msg::kNoFreeTempName;
  }
  if (err) *err = last_err;
  return false;
}

}  // namespace

std::string TempPackagePath(const std::string& save_path, const std::string& tag) {
  size_t name_at = NameStart(save_path);
  size_t dot = save_path.rfind('.');
  // Only a dot inside the file name, after its first character, starts an extension.
  std::string base = dot != std::string::npos && dot > name_at ? save_path.substr(0, dot) : save_path;
  std::string path = base;
  if (!tag.empty()) {
    path += '~';
    path += tag;
  }
  path += ".tmp";
  if (platform::EqualIgnoringCase(path, save_path)) return "";
  return path;
}

std::string RandomTempName(std::mt19937& rng) {
  std::uniform_real_distribution<double> r(0.0, 1.0);
  std::string name = "~";
  for (int i = 0; i < 2; ++i) name += static_cast<char>(65 + std::nearbyint(25 * r(rng)));
  for (int i = 0; i < 5; ++i) name += static_cast<char>(48 + std::nearbyint(9 * r(rng)));
  return name;
}

std::string RandomTag() {
  static std::mutex mu;
  static std::mt19937_64 rng = [] {
    std::random_device rd;
    std::seed_seq seed{rd(), rd(), rd(), rd(),
                       static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    return std::mt19937_64(seed);
  }();
  uint64_t v;
  {
    std::lock_guard<std::mutex> lock(mu);
    v = rng();
  }
  static const char kHex[] = "0123456789abcdef";
  std::string tag(16, '0');
  for (char& c : tag) {
    c = kHex[v & 15];
    v >>= 4;
  }
  return tag;
}

bool CreateTempPackage(const std::string& save_path, TempFile* out, std::string* err) {
  std::string e;
  auto next = [&](int attempt) { return TempPackagePath(save_path, attempt ? RandomTag() : ""); };
  if (CreateFresh(next, out, &e)) return true;
  if (err) *err = msg::WithReason(msg::kWriteFailed, save_path, e);
  return false;
}

bool CreateTempUninstaller(const std::string& temp_folder, TempFile* out, std::string* err,
                           const char* failure_lead) {
  std::mt19937 rng(static_cast<uint32_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ std::random_device{}()));
  std::string e;
  auto next = [&](int) { return temp_folder + platform::kPathSeparator + RandomTempName(rng); };
  if (CreateFresh(next, out, &e)) return true;
  if (err)
    *err = msg::WithReason(failure_lead ? failure_lead : msg::kTempUninstallerFailed, temp_folder, e);
  return false;
}

}  // namespace package
