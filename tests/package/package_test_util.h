#pragma once
// Shared pieces of the package tests: program images with known keys, a
// container made from them, trees on disk, and a test view of the build.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../platform/scratch_dir.h"
#include "gtest/gtest.h"
#include "package/build_command.h"
#include "package/build_request.h"

namespace package_test {

// An image of n bytes whose every byte is a function of its offset and seed,
// so two images with different seeds have different keys.
std::string MakeImage(size_t n, uint8_t seed);

// The bytes 4096..12287 of an image.
std::string KeyOf(const std::string& image);

// Codes data by hand: byte i ^ key[j] ^ 0x71, j = i (n <= 8192) or i mod 8191.
std::string HandXor(const std::string& data, const std::string& key);
// i16 length, then the hand-coded bytes.
std::string HandCoded(const std::string& bytes, const std::string& key);
std::string LeI32(int32_t v);
std::string LeI16(int16_t v);

// setup.exe, uninst.exe and install.dat made from them in dir.
struct Container {
  std::string setup_image;
  std::string uninst_image;
  std::string path;  // install.dat
};
Container MakeContainer(const ScratchDir& dir, size_t setup_size = 20000,
                        size_t uninst_size = 16000);
// The same from two images made by the caller.
Container MakeContainerOf(const ScratchDir& dir, std::string setup_image, std::string uninst_image);

// Equal byte strings, or where they first differ.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected);

// Creates the folders above path as needed and writes bytes.
void PutFile(const std::string& path, const std::string& bytes);
void PutDir(const std::string& path);

// The names of every file below dir whose name starts with prefix.
std::vector<std::string> FilesStartingWith(const std::string& dir, const std::string& prefix);

// Records what the build does to the window.
class RecordingView : public package::BuildView {
 public:
  void ShowMessage(const std::string& text, Icon icon) override {
    log.push_back((icon == Icon::kWarning ? "warning:" : "info:") + text);
  }
  void SetItemFocus(package::BuildItem item) override {
    log.push_back("focus:" + std::to_string(static_cast<int>(item)));
  }
  void SetBuildEnabled(bool e) override { log.push_back(e ? "button on" : "button off"); }
  void SetPropertiesEnabled(bool e) override { log.push_back(e ? "props on" : "props off"); }
  void ResetProgress() override { log.push_back("progress 0"); }
  void SetStatus(const std::string& text) override { log.push_back("status:" + text); }
  std::vector<std::string> log;
};

class RecordingProgress : public package::BuildProgress {
 public:
  void SetStatus(const std::string& text) override {
    statuses.push_back(text);
    if (on_status) on_status(text);
  }
  void SetMaximum(float max) override { bar.Max = max; maximum = max; }
  void Advance(int32_t n) override {
    bar.FileProgress(n);
    advanced += n;
    if (on_advance) on_advance();
  }
  std::vector<std::string> statuses;
  package::ProgressBar bar;
  float maximum = -1;
  int64_t advanced = 0;
  // Run after each report is recorded.
  std::function<void(const std::string&)> on_status;
  std::function<void()> on_advance;
};

// A request with the window's defaults, building to save_path.
package::PackageRequest DefaultRequest(const std::string& install_dat,
                                       const std::string& save_path);
// A row for path (a file or a folder).
package::EntryRow RowFor(const std::string& path, int32_t flags = 0);

}  // namespace package_test

namespace package_test {
// Points the temp folder at path for the life of the object.
class TempFolderOverride {
 public:
  explicit TempFolderOverride(const std::string& path);
  ~TempFolderOverride();

 private:
  std::string old_;
  bool had_old_ = false;
};
}  // namespace package_test
