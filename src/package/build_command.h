#pragma once
// The build button, independent of any window: the five input checks, the
// creation test of the save path, the progress bar's arithmetic, and the
// steps around MakePackage. The window and the command line both drive it.
//
// A window that builds on a worker thread calls, on its own thread,
// Check() (the input checks), then Begin() (marks the build running and
// disables the window's input); runs MakePackage with a PackageRequest on
// the worker; and calls Finish() with the result back on its own thread
// (messages, input enabled again, progress and status cleared). RunBuild()
// does all of it in one call.

#include <cstddef>
#include <string>

#include "package/build_request.h"

namespace package {

// The property a failed check sends the user to: the window opens its
// editor there (the window names the items; the build does not).
enum class BuildItem { kNone, kAppName, kSetupDir, kSavePath };

struct CheckResult {
  bool ok = true;
  std::string message;  // the warning to show when !ok
  BuildItem focus = BuildItem::kNone;
};

// The checks in order; the first failure is returned. Empty means length 0
// (blanks pass). The last check is CanCreateFile of the save path.
CheckResult CheckBuildInput(const PropertyValues& p, size_t entry_count);

// True when a package can be created at path: an existing file must open
// for writing (it is not cut or changed), otherwise a new file must be
// creatable there (it is removed again at once). When false, *failure (if
// given) is the reason in brackets: the system's text, or that path is a
// folder; empty when the system gave none.
bool CanCreateFile(const std::string& path, std::string* failure = nullptr);

// ProgressBar1's Max and Value; FileProgress is m_zip_FileProgress.
struct ProgressBar {
  float Max = 0;
  float Value = 0;
  // Value + dwWriteBytes in single precision, never above Max.
  void FileProgress(int32_t dwWriteBytes) {
    float v = Value + static_cast<float>(dwWriteBytes);
    Value = Max < v ? Max : v;
  }
};

// What the build command does to the window.
class BuildView {
 public:
  enum class Icon { kWarning, kInformation };
  virtual ~BuildView() = default;
  // A modal message box titled package::msg::kTitle with an OK button.
  virtual void ShowMessage(const std::string& text, Icon icon) = 0;
  virtual void SetItemFocus(BuildItem item) = 0;
  // cmdMake and QrPropertyList1.
  virtual void SetBuildEnabled(bool enabled) = 0;
  virtual void SetPropertiesEnabled(bool enabled) = 0;
  // After a build: progress value 0, empty status text.
  virtual void ResetProgress() = 0;
  virtual void SetStatus(const std::string& text) = 0;
};

class BuildCommand {
 public:
  bool IsMaking() const { return is_making_; }

  // Runs the checks; on failure shows the message and moves the focus.
  CheckResult Check(const PropertyValues& p, size_t entry_count, BuildView& view) const;
  // Marks the build running (IsMaking) and disables the build button and
  // the property list.
  void Begin(BuildView& view);
  // Shows a failure's message first, enables the property list and the
  // build button, clears IsMaking, shows the completion message only after
  // a written package (nothing after a stopped build), then resets the
  // progress bar and the status text.
  void Finish(const BuildResult& result, BuildView& view);

  // cmdMake_Click in one call: checks, Begin, MakePackage, Finish.
  BuildResult RunBuild(const PackageRequest& request, BuildView& view, BuildProgress& progress);

 private:
  bool is_making_ = false;
};

}  // namespace package
