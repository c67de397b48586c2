#include "app/build_runner.h"

#include <string>

#include "platform/utf.h"

namespace app {
namespace {

// Forwards the writer's reports to the window; runs on the worker thread.
class PostedProgress : public package::BuildProgress {
 public:
  explicit PostedProgress(HWND window) : window_(window) {}

  void SetStatus(const std::string& text) override {
    auto* copy = new std::wstring(platform::Utf8ToWide(text));
    if (!PostMessageW(window_, kMsgBuildStatus, 0, reinterpret_cast<LPARAM>(copy))) delete copy;
  }
  void SetMaximum(float max) override {
    PostMessageW(window_, kMsgBuildMaximum, 0, static_cast<LPARAM>(max));
  }
  void Advance(int32_t dwWriteBytes) override {
    PostMessageW(window_, kMsgBuildAdvance, 0, static_cast<LPARAM>(dwWriteBytes));
  }

 private:
  HWND window_;
};

}  // namespace

BuildRunner::BuildRunner(HWND window, PackageMaker maker)
    : window_(window), maker_(std::move(maker)) {}

// A window that goes away stops its build first.
BuildRunner::~BuildRunner() {
  Stop();
  Join();
}

void BuildRunner::Start(package::PackageRequest request) {
  request.stop = &stop_;
  thread_ = std::thread([this, request = std::move(request)] {
    PostedProgress progress(window_);
    result_ = maker_(request, progress);
    PostMessageW(window_, kMsgBuildDone, 0, 0);
  });
}

package::BuildResult BuildRunner::Join() {
  if (thread_.joinable()) thread_.join();
  return result_;
}

}  // namespace app
