// qrpack build: the build button from the command line.

#include <algorithm>
#include <cstdio>

#include "cli/args.h"
#include "cli/console.h"
#include "cli/package_cli_util.h"
#include "cli/package_commands.h"
#include "entries/commands.h"
#include "install_dat_digest.h"
#include "package/build_command.h"
#include "package/sign_command.h"
#include "platform/files.h"
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

std::string ValueOr(const ParsedArgs& p, const std::string& option, const char* fallback) {
  auto it = p.values.find(option);
  return it == p.values.end() ? fallback : it->second;
}

}  // namespace

int RunBuild(const Args& args, Io& io) {
  const Command& self = FindCommand("build");
  ArgSyntax syntax{{"--name", "--dir", "--publisher", "--version", "-o", "--install-dat", "--jobs",
                    "--sign-command", "--icon"},
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
  package::PackageRequest request;
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
  if (p.Has("--icon")) request.icon_path = AbsolutePath(p.values["--icon"]);
  package::PropertyValues& props = request.properties;
  props.app_name = ValueOr(p, "--name", shell::kDefaultAppName);
  props.setup_dir = ValueOr(p, "--dir", shell::kDefaultSetupDir);
  props.publisher = ValueOr(p, "--publisher", shell::kDefaultPublisher);
  props.version = ValueOr(p, "--version", shell::kDefaultVersion);
  props.save_path = ValueOr(p, "-o", shell::kDefaultPackageName);
  if (!props.save_path.empty()) props.save_path = AbsolutePath(props.save_path);

  entries::EntryList list;
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
  for (const entries::PackageEntry& e : list.rows())
    request.entries.push_back({e.Name, e.Folder, entries::ParseFlags(e.Flags)});

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
