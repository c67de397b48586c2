#include "package/build_command.h"

#include "package/messages.h"
#include "package/package_writer.h"
#include "platform/files.h"

namespace package {

CheckResult CheckBuildInput(const PropertyValues& p, size_t entry_count) {
  if (p.app_name.empty()) return {false, msg::kNoAppName, BuildItem::kAppName};
  if (p.setup_dir.empty()) return {false, msg::kNoSetupDir, BuildItem::kSetupDir};
  if (p.save_path.empty()) return {false, msg::kNoSavePath, BuildItem::kSavePath};
  if (entry_count == 0) return {false, msg::kNoEntries, BuildItem::kNone};
  if (!CanCreateFile(p.save_path)) return {false, msg::kCannotCreate, BuildItem::kSavePath};
  return {};
}

bool CanCreateFile(const std::string& path, std::string* failure) {
  std::string e;
  auto fail = [&](std::string reason) {
    if (failure) *failure = reason.empty() ? "" : "（" + reason + "）";
    return false;
  };
  if (platform::IsDirectory(path)) return fail(msg::kSavePathIsFolder);
  if (platform::PathExists(path)) {
    if (platform::File::Open(path, platform::File::Mode::kReadWrite, &e)) return true;
    return fail(platform::FailureReason(e));
  }
  auto f = platform::File::Open(path, platform::File::Mode::kCreateNew, &e);
  if (!f) return fail(platform::FailureReason(e));
  f.reset();
  return platform::RemoveFile(path, &e) || fail(platform::FailureReason(e));
}

CheckResult BuildCommand::Check(const PropertyValues& p, size_t entry_count,
                                BuildView& view) const {
  CheckResult r = CheckBuildInput(p, entry_count);
  if (r.ok) return r;
  view.ShowMessage(r.message, BuildView::Icon::kWarning);
  if (r.focus != BuildItem::kNone) view.SetItemFocus(r.focus);
  return r;
}

void BuildCommand::Begin(BuildView& view) {
  is_making_ = true;
  view.SetBuildEnabled(false);
  view.SetPropertiesEnabled(false);
}

void BuildCommand::Finish(const BuildResult& result, BuildView& view) {
  // A stopped build was the user's own wish: it says nothing.
  if (result.outcome != BuildOutcome::kWritten && result.outcome != BuildOutcome::kStopped)
    view.ShowMessage(result.message, BuildView::Icon::kWarning);
  view.SetPropertiesEnabled(true);
  view.SetBuildEnabled(true);
  is_making_ = false;
  if (result.outcome == BuildOutcome::kWritten)
    view.ShowMessage(msg::kDone, BuildView::Icon::kInformation);
  view.ResetProgress();
  view.SetStatus("");
}

BuildResult BuildCommand::RunBuild(const PackageRequest& request, BuildView& view,
                                   BuildProgress& progress) {
  CheckResult check = Check(request.properties, request.entries.size(), view);
  if (!check.ok) return BuildResult{BuildOutcome::kInputRefused, check.message};
  Begin(view);
  BuildResult result = MakePackage(request, progress);
  Finish(result, view);
  return result;
}

}  // namespace package
