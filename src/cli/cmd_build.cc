// qrpack build: the build button from the command line.

#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/args.h"
#include "cli/build_values.h"
#include "cli/console.h"
#include "cli/console_progress.h"
#include "cli/entry_options.h"
#include "cli/package_cli_util.h"
#include "cli/package_commands.h"
#include "entries/commands.h"
#include "install_dat_digest.h"
#include "package/build_command.h"
#include "package/messages.h"
#include "package/product_key.h"
#include "package/sign_command.h"
#include "package/stub_container.h"
#include "platform/files.h"
#include "platform/wildcards.h"
#include "project/project_file.h"
#include "project/project_store.h"
#include "package/install_dat_check.h"
#include "platform/unicode.h"

namespace cli {
namespace {

constexpr char kNoSuchEntry[] = "找不到文件或文件夹：";
// After the window's text for a missing or changed install.dat: where it was looked for.
constexpr char kInstallDatLookedFor[] = "（查找位置：";

struct OptionFlag {
  const char* flag;
  int32_t bit;
};
constexpr OptionFlag kOptionFlags[] = {
    {"--run", entries::RunApp},          {"--quick-launch", entries::AddQuickLaunch},
    {"--desktop", entries::AddDesktopcut}, {"--autorun", entries::AddToAutoRun},
    {"--program-group", entries::AddToPrograms}, {"--control-panel-icon", entries::SetCtrlPanelIcon},
};

// Messages go to the streams: warnings to err, the completion to out
// unless quiet.
class ConsoleView : public package::BuildView {
 public:
  ConsoleView(Io& io, ConsoleProgress& progress, bool quiet)
      : io_(io), progress_(progress), quiet_(quiet) {}
  void ShowMessage(const std::string& text, Icon icon) override {
    progress_.EndLine();
    if (icon == Icon::kWarning) Fail(io_, text);
    else if (!quiet_) io_.out << text << "\n";
  }
  void SetItemFocus(package::BuildItem) override {}
  void SetBuildEnabled(bool) override {}
  void SetPropertiesEnabled(bool) override {}
  void ResetProgress() override {}
  void SetStatus(const std::string&) override {}

 private:
  Io& io_;
  ConsoleProgress& progress_;
  bool quiet_;
};

std::string ValueOr(const ParsedArgs& p, const std::string& option, const std::string& fallback) {
  auto it = p.values.find(option);
  return it == p.values.end() ? fallback : it->second;
}

// --save-project: the project of the command line, written instead of a build.
int SaveProject(const std::string& path, const package::PackageRequest& request,
                std::optional<int> jobs, Io& io) {
  project::Project saved{request.properties, request.entries, jobs, request.sign_command,
                         request.icon_path, request.compression};
  std::string message;
  if (!project::SaveProject(path, saved, &message)) return Fail(io, message);
  io.out << path << "\n";
  return kExitOk;
}

}  // namespace

int RunBuild(const Args& args, Io& io) {
  const Command& self = FindCommand("build");
  ArgSyntax syntax{{"--name", "--dir", "--publisher", "--version", "-o", "--install-dat", "--jobs",
                    "--sign-command", "--save-project", "--icon", "--compression"},
               {"--quiet"},
               0};
  std::vector<std::string> repeatable;
  for (const OptionFlag& f : kOptionFlags) {
    syntax.value_options.push_back(f.flag);
    repeatable.push_back(f.flag);
  }
  ParsedArgs p;
  std::string err;
  // Any number of ENTRY arguments, at least one.
  ParseArgs(args, syntax, &p, &err, repeatable);
  syntax.positional = std::max<size_t>(1, p.positional.size());
  if (!ParseArgs(args, syntax, &p, &err, repeatable)) return UsageError(io, self, err);
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
  if (p.Has("--compression")) {
    const std::string& kind = p.values["--compression"];
    if (kind == project::kCompressionSolid) request.compression = package::Compression::kSolid;
    else if (kind == project::kCompressionLzss) request.compression = package::Compression::kLzss;
    else return UsageError(io, self, "--compression needs lzss or solid");
  }
  if (p.Has("--sign-command")) {
    request.sign_command = p.values["--sign-command"];
    if (!package::HasFilePlaceholder(request.sign_command))
      return UsageError(io, self, std::string("--sign-command needs ") + package::kFilePlaceholder +
                                      " where the file's path goes");
  }
  for (const PropertyOption& o : kPropertyOptions) {
    if (!p.Has(o.option)) continue;
    std::string problem = PropertyValueProblem(o, p.values[o.option]);
    if (!problem.empty()) return UsageError(io, self, problem);
  }
  if (p.Has("--icon")) request.icon_path = AbsolutePath(p.values["--icon"]);
  package::PropertyValues& props = request.properties;
  props.app_name = ValueOr(p, "--name", props.app_name);
  props.setup_dir = ValueOr(p, "--dir", props.setup_dir);
  props.publisher = ValueOr(p, "--publisher", props.publisher);
  props.version = ValueOr(p, "--version", props.version);
  if (p.Has("-o")) props.save_path = p.values["-o"].empty() ? "" : AbsolutePath(p.values["-o"]);

  entries::EntryList list;
  for (const package::EntryRow& row : base.entries)
    list.Append({row.Name, row.Folder, entries::FormatFlags(row.Flags)});
  auto add_entry = [&](const std::string& path, const std::string& given) {
    if (!platform::PathExists(path)) return Fail(io, kNoSuchEntry + given);
    entries::AddResult added = platform::IsDirectory(path) ? entries::AddDir(&list, path)
                                                           : entries::AddFile(&list, path);
    return added.added ? kExitOk : Fail(io, added.message);
  };
  std::vector<std::string> given;
  for (const std::string& arg : p.positional) {
    std::vector<std::string> matches = platform::ExpandWildcards(arg);
    given.insert(given.end(), matches.begin(), matches.end());
  }
  for (const std::string& entry : given) {
    std::string path = AbsolutePath(entry);
    if (!NamesFolderContents(entry) || !platform::IsDirectory(path)) {
      if (int rc = add_entry(path, entry)) return rc;
      continue;
    }
    std::vector<std::string> contents;
    if (!FolderContents(path, props.save_path, &contents, &err))
      return Fail(io, package::msg::WithReason(package::msg::kFolderUnreadable, path, err));
    for (const std::string& child : contents)
      if (int rc = add_entry(child, child)) return rc;
  }
  // An option's first file that is a file row carries it in the row's Flags
  // (the package then has today's bytes); every other file is named by its
  // path in the package.
  for (const OptionFlag& f : kOptionFlags) {
    if (!p.Has(f.flag)) continue;
    bool on_a_row = false;
    for (const std::string& given : p.all_values[f.flag]) {
      OptionTarget target;
      if (!FindOptionTarget(list, given, &target, &err))
        return UsageError(io, self, std::string(f.flag) + " " + err);
      if (target.row != 0 && !on_a_row) {
        entries::SetOption(&list, target.row, f.bit, true);
        on_a_row = true;
      } else {
        request.file_options.push_back({f.bit, target.rel_path});
      }
    }
  }
  request.entries.clear();
  for (const entries::PackageEntry& e : list.rows())
    request.entries.push_back({e.Name, e.Folder, entries::ParseFlags(e.Flags)});
  if (p.Has("--save-project")) {
    return SaveProject(AbsolutePath(p.values["--save-project"]), request,
                       p.Has("--jobs") ? std::optional<int>(request.jobs) : base.jobs, io);
  }

  // The container the tools were built with passes its digest check; any
  // other given by path gets the whole check of its structure.
  if (p.Has("--install-dat")) {
    request.install_dat = AbsolutePath(p.values["--install-dat"]);
    if (!package::CheckFileMD5(request.install_dat, kExpectedInstallDatDigest) &&
        !package::CheckStubContainer(request.install_dat, &err))
      return Fail(io, err);
  } else {
    request.install_dat = package::InstallDatPath();
    package::InstallDatCheck check = package::CheckInstallDat(request.install_dat, kExpectedInstallDatDigest);
    if (!check.ok)
      return Fail(io, std::string(check.title) + "：" + check.message + kInstallDatLookedFor +
                          request.install_dat + "）");
  }

  // The window's text for a save path that cannot be written, with the path
  // and the reason (the build button's other checks come first).
  package::CheckResult check = package::CheckBuildInput(props, request.entries.size());
  std::string failure;
  if (!check.ok && check.message == package::msg::kCannotCreate &&
      !package::CanCreateFile(props.save_path, &failure))
    return Fail(io, package::msg::kCannotCreate + props.save_path + failure);

  const bool quiet = p.HasFlag("--quiet");
  const std::string key = package::ProductKeyNameUtf8(props.app_name, props.publisher);
  if (!quiet && (!p.Has("--name") || !p.Has("--publisher")))
    io.err << kProgram << ": " << SharedIdentityWarning(props.app_name, props.publisher, key) << "\n";
  ConsoleProgress progress(io.err, !quiet && StderrIsTerminal());
  ConsoleView view(io, progress, quiet);
  package::BuildCommand command;
  package::BuildResult result = command.RunBuild(request, view, progress);
  if (result.outcome != package::BuildOutcome::kWritten) return kExitFailed;
  if (!quiet) io.out << props.save_path << "\n" << UninstallKeyLine(key) << "\n";
  return kExitOk;
}

}  // namespace cli
