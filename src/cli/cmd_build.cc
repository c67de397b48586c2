// qrpack build: the build button from the command line.

#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/args.h"
#include "cli/console.h"
#include "cli/package_cli_util.h"
#include "cli/package_commands.h"
#include "entries/commands.h"
#include "install_dat_digest.h"
#include "package/build_command.h"
#include "package/sign_command.h"
#include "platform/files.h"
#include "project/project_store.h"
#include "shell/digest.h"
#include "shell/main_form.h"
#include "shell/unicode.h"

namespace cli {
namespace {

constexpr char kNoSuchEntry[] = "找不到文件或文件夹：";

struct OptionFlag {
  const char* flag;
  int32_t bit;
};
constexpr OptionFlag kOptionFlags[] = {
    {"--run", entries::RunApp},          {"--quick-launch", entries::AddQuickLaunch},
    {"--desktop", entries::AddDesktopcut}, {"--autorun", entries::AddToAutoRun},
    {"--program-group", entries::AddToPrograms}, {"--control-panel-icon", entries::SetCtrlPanelIcon},
};

// One line on a terminal: the status text and the bar's percentage.
class ConsoleProgress : public package::BuildProgress {
 public:
  ConsoleProgress(std::ostream& os, bool shown) : os_(os), shown_(shown) {}
  ~ConsoleProgress() override { EndLine(); }
  // Ends the progress line before other output.
  void EndLine() {
    if (drawn_) os_ << "\n" << std::flush;
    drawn_ = false;
  }
  void SetStatus(const std::string& text) override {
    status_ = text;
    Draw();
  }
  void SetMaximum(float max) override { bar_.Max = max; }
  void Advance(int32_t n) override {
    bar_.FileProgress(n);
    int pct = bar_.Max > 0 ? static_cast<int>(bar_.Value * 100 / bar_.Max) : 0;
    if (pct != percent_) {
      percent_ = pct;
      Draw();
    }
  }

 private:
  void Draw() {
    if (!shown_ || status_.empty()) return;
    os_ << "\r" << status_ << " " << percent_ << "%" << std::flush;
    drawn_ = true;
  }
  std::ostream& os_;
  bool shown_;
  bool drawn_ = false;
  std::string status_;
  package::ProgressBar bar_;
  int percent_ = 0;
};

// Messages go to the streams: warnings to err, the completion to out.
class ConsoleView : public package::BuildView {
 public:
  ConsoleView(Io& io, ConsoleProgress& progress) : io_(io), progress_(progress) {}
  void ShowMessage(const std::string& text, Icon icon) override {
    progress_.EndLine();
    if (icon == Icon::kWarning) Fail(io_, text);
    else io_.out << text << "\n";
  }
  void SetItemFocus(const std::string&) override {}
  void SetBuildEnabled(bool) override {}
  void SetPropertiesEnabled(bool) override {}
  void ResetProgress() override {}
  void SetStatus(const std::string&) override {}

 private:
  Io& io_;
  ConsoleProgress& progress_;
};

std::string ValueOr(const ParsedArgs& p, const std::string& option, const std::string& fallback) {
  auto it = p.values.find(option);
  return it == p.values.end() ? fallback : it->second;
}

// --save-project: the project of the command line, written instead of a build.
int SaveProject(const std::string& path, const package::PackageRequest& request,
                std::optional<int> jobs, Io& io) {
  project::Project saved{request.properties, request.entries, jobs, request.sign_command};
  std::string message;
  if (!project::SaveProject(path, saved, &message)) return Fail(io, message);
  io.out << path << "\n";
  return kExitOk;
}

}  // namespace

int RunBuild(const Args& args, Io& io) {
  const Command& self = FindCommand("build");
  ArgSyntax syntax{{"--name", "--dir", "--publisher", "--version", "-o", "--install-dat", "--jobs",
                    "--sign-command", "--save-project"},
               {"--quiet"},
               0};
  for (const OptionFlag& f : kOptionFlags) syntax.value_options.push_back(f.flag);
  ParsedArgs p;
  std::string err;
  // Any number of ENTRY arguments, at least one.
  ParseArgs(args, syntax, &p, &err);
  syntax.positional = std::max<size_t>(1, p.positional.size());
  if (!ParseArgs(args, syntax, &p, &err)) return UsageError(io, self, err);
  if (p.help) {
    io.out << "usage: " << kProgram << " " << self.synopsis << "\n\n" << self.help;
    return kExitOk;
  }
  // A project file as the first ENTRY: the values the options override.
  project::Project base = project::DefaultProject(AbsolutePath("."));
  const bool from_project = !p.positional.empty() && project::IsProjectPath(p.positional[0]);
  if (from_project) {
    std::string message;
    if (!project::LoadProject(AbsolutePath(p.positional[0]), &base, &message)) return Fail(io, message);
    p.positional.erase(p.positional.begin());
  }
  package::PackageRequest request = project::ToRequest(base);
  int64_t jobs = request.jobs;
  if (p.Has("--jobs") && !ParseInteger(p.values["--jobs"], 1, 1024, &jobs))
    return UsageError(io, self, "--jobs needs a number from 1 to 1024");
  request.jobs = static_cast<int>(jobs);
  if (p.Has("--sign-command")) {
    request.sign_command = p.values["--sign-command"];
    if (!package::HasFilePlaceholder(request.sign_command))
      return UsageError(io, self, std::string("--sign-command needs ") + package::kFilePlaceholder +
                                      " where the file's path goes");
  }
  package::PropertyValues& props = request.properties;
  props.app_name = ValueOr(p, "--name", props.app_name);
  props.setup_dir = ValueOr(p, "--dir", props.setup_dir);
  props.publisher = ValueOr(p, "--publisher", props.publisher);
  props.version = ValueOr(p, "--version", props.version);
  if (p.Has("-o")) props.save_path = p.values["-o"].empty() ? "" : AbsolutePath(p.values["-o"]);

  entries::EntryList list;
  for (const package::EntryRow& row : base.entries)
    list.Append({row.Name, row.Folder, entries::FormatFlags(row.Flags)});
  for (const std::string& entry : p.positional) {
    std::string path = AbsolutePath(entry);
    if (!platform::PathExists(path)) return Fail(io, kNoSuchEntry + entry);
    entries::AddResult added = platform::IsDirectory(path) ? entries::AddDir(&list, path)
                                                           : entries::AddFile(&list, path);
    if (!added.added) return Fail(io, added.message);
  }
  for (const OptionFlag& f : kOptionFlags) {
    if (!p.Has(f.flag)) continue;
    std::string path = AbsolutePath(p.values[f.flag]);
    int32_t row = 0;
    for (int32_t i = 1; i <= list.count() && row == 0; ++i)
      if (shell::EqualIgnoringCase(list.row(i).FullPath(), path)) row = i;
    if (row == 0) return UsageError(io, self, std::string(f.flag) + " names no ENTRY: " + p.values[f.flag]);
    if (!entries::SetOption(&list, row, f.bit, true))
      return UsageError(io, self, std::string(f.flag) + " names a folder: " + p.values[f.flag]);
  }
  request.entries.clear();
  for (const entries::PackageEntry& e : list.rows())
    request.entries.push_back({e.Name, e.Folder, entries::ParseFlags(e.Flags)});
  if (p.Has("--save-project")) {
    return SaveProject(AbsolutePath(p.values["--save-project"]), request,
                       p.Has("--jobs") ? std::optional<int>(request.jobs) : base.jobs, io);
  }

  if (p.Has("--install-dat")) {
    request.install_dat = AbsolutePath(p.values["--install-dat"]);
  } else {
    request.install_dat = shell::InstallDatPath();
    shell::InstallDatCheck check = shell::CheckInstallDat(request.install_dat, kExpectedInstallDatDigest);
    if (!check.ok) return Fail(io, std::string(check.title) + "：" + check.message);
  }

  ConsoleProgress progress(io.err, !p.HasFlag("--quiet") && StderrIsTerminal());
  ConsoleView view(io, progress);
  package::BuildCommand command;
  package::BuildResult result = command.RunBuild(request, view, progress);
  if (result.outcome != package::BuildOutcome::kWritten) return kExitFailed;
  io.out << props.save_path << "\n";
  return kExitOk;
}

}  // namespace cli
