#pragma once
// Runs one package build on a worker thread. The writer's status texts and
// progress reach the window as posted messages (kMsgBuildStatus,
// kMsgBuildMaximum, kMsgBuildAdvance), and kMsgBuildDone tells it that the
// result is ready, so the window repaints and stays responsive meanwhile.

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

#include "package/build_request.h"

namespace app {

// Messages the build worker posts to the window.
enum BuildMessage : UINT {
  kMsgBuildStatus = WM_APP + 1,  // lParam: std::wstring* (the window deletes it)
  kMsgBuildMaximum,              // lParam: the progress maximum
  kMsgBuildAdvance,              // lParam: bytes processed
  kMsgBuildDone,                 // no arguments; the result waits in the runner
};

// The build itself: package::MakePackage, or a test's stand-in.
using PackageMaker =
    std::function<package::BuildResult(const package::PackageRequest&, package::BuildProgress&)>;

class BuildRunner {
 public:
  BuildRunner(HWND window, PackageMaker maker);
  ~BuildRunner();

  // Starts the build on its own thread; the request is copied and carries
  // the runner's stop request.
  void Start(package::PackageRequest request);
  // Asks the build to stop (PackageRequest::stop); it then ends within a
  // codec block, without a package and without temporary files.
  void Stop() { stop_ = true; }
  // Waits for the thread and returns the build's result.
  package::BuildResult Join();

 private:
  HWND window_;
  PackageMaker maker_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  package::BuildResult result_;
};

}  // namespace app
