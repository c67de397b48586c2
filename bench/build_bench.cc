// The whole build as a user runs it: `qrpack build` in a child process on a
// tree of real files copied from this machine (shared libraries and package
// documentation), then on one large file made by concatenating the tree's
// files, each with 1 job and with one job per core. Prints the payload MB/s
// (wall clock, median of the runs), the child's peak resident memory
// (getrusage of the child) and the machine's load average when the runs
// started, and checks the packages of 1 and of all jobs are the same bytes.
//
// With --compression, the tree is built instead as today's package (LZSS)
// and as a compact package (zstd, --compression solid) side by side with the
// same jobs, alternating: size, time and peak memory of each, the compact
// build's memory at 8 jobs, and `qrpack extract` of each. Beside them, on a
// tar of the tree, the zstd command line at several levels with the same
// long window (the writer's settings are chosen from these), and with --xz
// the xz command line: -9e on every file and over the tar (solid LZMA).
// The install.dat must hold a setup program that reads compact packages.
//
// usage: build_bench [--tree-mb N] [--big-mb N (0: skip)] [--runs N]
//                    [--jobs N (default: one per core)]
//                    [--qrpack PATH] [--install-dat PATH]
//                    [--compression 1] [--xz 1]
// qrpack and install.dat default to the ones beside this program.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int64_t kMiB = 1 << 20;
// Files larger than this are left out of the tree (a tree's files are many
// and mostly small; the large-file run covers the other case).
constexpr int64_t kMaxTreeFile = 64 * kMiB;
const char* const kSources[] = {"/usr/share/doc", "/usr/lib/x86_64-linux-gnu"};

struct Options {
  int64_t tree_mb = 200;
  int64_t big_mb = 150;
  int runs = 3;
  int jobs = 0;  // 0: one per core
  std::string qrpack;
  std::string install_dat;
  bool compression = false;
  bool xz = false;
};

// Names in the tree so far, by their letters in lower case: the builder
// refuses two names that differ only in case (Windows would write one over
// the other), and a file named like a folder.
class TreeNames {
 public:
  // Whether rel (a file) can join the tree; takes it if so.
  bool Take(const fs::path& rel) {
    std::vector<std::pair<std::string, std::string>> parts;  // lower case, as is
    fs::path at;
    for (const fs::path& p : rel) {
      at /= p;
      std::string lower = at.string();
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      parts.emplace_back(lower, at.string());
    }
    for (size_t i = 0; i < parts.size(); ++i) {
      auto it = seen_.find(parts[i].first);
      const bool is_file = i + 1 == parts.size();
      if (it != seen_.end() && (it->second.first != parts[i].second || it->second.second || is_file))
        return false;
    }
    for (size_t i = 0; i < parts.size(); ++i)
      seen_[parts[i].first] = {parts[i].second, i + 1 == parts.size()};
    return true;
  }

 private:
  std::map<std::string, std::pair<std::string, bool>> seen_;  // lower case -> as is, is a file
};

// Copies regular files from the sources, half of the budget from each as far
// as they go, keeping their relative paths (less names the builder refuses).
int64_t AssembleTree(const fs::path& tree, int64_t budget, std::vector<fs::path>* files) {
  TreeNames names;
  int64_t total = 0;
  for (size_t s = 0; s < std::size(kSources); ++s) {
    int64_t share = s + 1 == std::size(kSources) ? budget - total : budget / 2;
    int64_t taken = 0;
    std::error_code ec;
    fs::recursive_directory_iterator it(kSources[s], fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (taken >= share) break;
      std::error_code fe;
      if (it->is_symlink(fe) || !it->is_regular_file(fe)) continue;
      int64_t size = static_cast<int64_t>(it->file_size(fe));
      if (fe || size > kMaxTreeFile) continue;
      const fs::path rel = fs::path("src" + std::to_string(s)) / fs::relative(it->path(), kSources[s]);
      if (!names.Take(rel)) continue;
      fs::path to = tree / rel;
      fs::create_directories(to.parent_path(), fe);
      if (!fs::copy_file(it->path(), to, fs::copy_options::overwrite_existing, fe)) continue;
      files->push_back(to);
      taken += size;
    }
    total += taken;
  }
  return total;
}

// Concatenates the tree's files, over and over, into one file of size bytes.
bool MakeBigFile(const std::vector<fs::path>& files, const fs::path& out, int64_t size) {
  std::ofstream o(out, std::ios::binary);
  std::vector<char> buf(kMiB);
  int64_t left = size;
  while (left > 0) {
    for (const fs::path& f : files) {
      std::ifstream in(f, std::ios::binary);
      while (left > 0 && in) {
        in.read(buf.data(), static_cast<std::streamsize>(std::min<int64_t>(left, kMiB)));
        o.write(buf.data(), in.gcount());
        left -= in.gcount();
      }
      if (left == 0) break;
    }
  }
  return static_cast<bool>(o);
}

struct RunResult {
  bool ok = false;
  double seconds = 0;
  double peak_mib = 0;
  double cpu_seconds = 0;  // user and system time of the child
};

// Runs args (a program's path first) in a child process, its output to
// stdout_path; the peak resident memory is the child's ru_maxrss, the figure
// /usr/bin/time -v reports as its maximum resident set size.
RunResult RunCommand(std::vector<std::string> args, const std::string& stdout_path = "/dev/null") {
  std::fflush(stdout);  // the child must not repeat what is buffered
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (!freopen(stdout_path.c_str(), "w", stdout)) _exit(126);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);  // this child's own usage
  RunResult r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  r.peak_mib = static_cast<double>(ru.ru_maxrss) / 1024.0;
  r.cpu_seconds = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                  static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  return r;
}

RunResult RunBuild(const Options& opt, const fs::path& entry, const fs::path& out, int jobs,
                   const char* compression = nullptr) {
  std::vector<std::string> args = {opt.qrpack, "build", "--quiet", "--install-dat", opt.install_dat,
                                   "-o", out.string(), "--jobs", std::to_string(jobs)};
  if (compression) args.insert(args.end(), {"--compression", compression});
  args.push_back(entry.string());
  return RunCommand(args);
}

bool SameFiles(const fs::path& a, const fs::path& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  std::vector<char> ba(kMiB), bb(kMiB);
  while (fa && fb) {
    fa.read(ba.data(), kMiB);
    fb.read(bb.data(), kMiB);
    if (fa.gcount() != fb.gcount() || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(fa.gcount())))
      return false;
  }
  return fa.eof() && fb.eof();
}

// The 1-minute load average of the machine (other work running beside the
// benchmark shows here).
double LoadAverage() {
  std::ifstream f("/proc/loadavg");
  double load = -1;
  f >> load;
  return load;
}

struct Rows {
  double mbps_one = 0;
  double mbps_all = 0;
  bool same = false;
};

// Builds entry with 1 job and with `all` jobs, opt.runs times each and in
// turn (1, all, 1, all, ...) so that load from other work falls on both
// alike; prints a table row for each (medians) and checks that the last
// packages of the two are the same bytes.
bool Compare(const Options& opt, const char* what, const fs::path& entry, const fs::path& dir,
             int all, int64_t payload, Rows* rows) {
  const int counts[2] = {1, all};
  std::vector<double> secs[2], cpu[2], load[2];
  double peak[2] = {0, 0};
  const fs::path out[2] = {dir / "p1.exe", dir / "pn.exe"};
  for (int i = 0; i < opt.runs; ++i) {
    for (int k = 0; k < 2; ++k) {
      // Every run writes a new package, as a build pipeline does. Replacing
      // the last run's file would add the file system's flush of the new
      // one at the final rename (about 0.1 s for a 200 MiB tree on ext4).
      fs::remove(out[k]);
      load[k].push_back(LoadAverage());
      RunResult r = RunBuild(opt, entry, out[k], counts[k]);
      if (!r.ok) {
        std::fprintf(stderr, "qrpack build failed (%s, %d jobs)\n", what, counts[k]);
        return false;
      }
      secs[k].push_back(r.seconds);
      cpu[k].push_back(r.cpu_seconds);
      peak[k] = std::max(peak[k], r.peak_mib);
    }
  }
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  double mbps[2];
  for (int k = 0; k < 2; ++k) {
    const double t = median(secs[k]);
    mbps[k] = static_cast<double>(payload) / kMiB / t;
    std::printf("| %s | %.0f MiB | %d | %.2f s | %.2f s | %.1f MB/s | %.1f MiB | %.1f |\n", what,
                static_cast<double>(payload) / kMiB, counts[k], t, median(cpu[k]), mbps[k], peak[k],
                median(load[k]));
  }
  std::fflush(stdout);
  rows->mbps_one = mbps[0];
  rows->mbps_all = mbps[1];
  rows->same = SameFiles(out[0], out[1]);
  fs::remove(out[0]);
  fs::remove(out[1]);
  return true;
}

void PrintHead() {
  std::printf("\n| input | payload | jobs | time | CPU time | speed | peak RSS | load |\n"
              "|---|---|---|---|---|---|---|---|\n");
}

void PrintSpeedUp(int all, const Rows& r) {
  std::printf("\nspeed-up with %d jobs: %.2fx; packages %s\n", all, r.mbps_all / r.mbps_one,
              r.same ? "identical" : "DIFFER");
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int64_t FileSize(const fs::path& p) {
  std::error_code ec;
  auto n = fs::file_size(p, ec);
  return ec ? -1 : static_cast<int64_t>(n);
}

void PrintCompressionRow(const char* what, int jobs, double seconds, double peak, int64_t size,
                         int64_t payload) {
  std::printf("| %s | %d | %.2f s | %.1f MiB | %.1f MiB | %.1f%% |\n", what, jobs, seconds, peak,
              static_cast<double>(size) / kMiB, 100.0 * static_cast<double>(size) / static_cast<double>(payload));
  std::fflush(stdout);
}

// Today's package beside the compact one, built in turn with the same jobs;
// then their extraction, and the compact build's memory at 8 jobs.
bool CompareCompression(const Options& opt, const fs::path& tree, const fs::path& root, int jobs,
                        int64_t payload) {
  const char* kinds[2] = {"lzss", "solid"};
  const fs::path out[2] = {root / "lzss.exe", root / "solid.exe"};
  std::vector<double> secs[2], extract[2];
  double peak[2] = {0, 0};
  for (int i = 0; i < opt.runs; ++i) {
    for (int k = 0; k < 2; ++k) {
      fs::remove(out[k]);
      RunResult r = RunBuild(opt, tree, out[k], jobs, kinds[k]);
      if (!r.ok) {
        std::fprintf(stderr, "qrpack build --compression %s failed\n", kinds[k]);
        return false;
      }
      secs[k].push_back(r.seconds);
      peak[k] = std::max(peak[k], r.peak_mib);
    }
    for (int k = 0; k < 2; ++k) {
      fs::path dir = root / "extracted";
      fs::remove_all(dir);
      RunResult r = RunCommand({opt.qrpack, "extract", out[k].string(), dir.string()});
      if (!r.ok) {
        std::fprintf(stderr, "qrpack extract of the %s package failed\n", kinds[k]);
        return false;
      }
      extract[k].push_back(r.seconds);
      fs::remove_all(dir);
    }
  }
  std::printf("\n| package | jobs | build time | peak RSS | size | of the input |\n|---|---|---|---|---|---|\n");
  for (int k = 0; k < 2; ++k)
    PrintCompressionRow(k ? "compact (qrpack, zstd)" : "today's (qrpack, LZSS)", jobs, Median(secs[k]),
                        peak[k], FileSize(out[k]), payload);
  // The same file name (the package carries it in its version resource).
  fs::create_directories(root / "eight");
  fs::path eight = root / "eight" / "solid.exe";
  RunResult r8 = RunBuild(opt, tree, eight, 8, "solid");
  if (!r8.ok) return false;
  PrintCompressionRow("compact (qrpack, zstd)", 8, r8.seconds, r8.peak_mib, FileSize(eight), payload);
  std::printf("\ncompact build time / LZSS build time (%d jobs): %.2f; packages of %d and 8 jobs %s\n", jobs,
              Median(secs[1]) / Median(secs[0]), jobs, SameFiles(out[1], eight) ? "identical" : "DIFFER");
  std::printf("qrpack extract: LZSS %.2f s, compact %.2f s (median of %d)\n", Median(extract[0]),
              Median(extract[1]), opt.runs);
  for (const fs::path& p : {out[0], out[1], eight}) fs::remove(p);
  return true;
}

// The command-line compressors on the same tree: zstd at several levels
// with the writer's long window over a tar, and with --xz, xz -9e per file
// and over the tar.
bool CompareCommandLines(const Options& opt, const fs::path& tree, const fs::path& root, int jobs,
                         int64_t payload) {
  const fs::path tar = root / "tree.tar";
  if (!RunCommand({"/usr/bin/tar", "cf", tar.string(), "-C", root.string(), tree.filename().string()}).ok)
    return false;
  std::printf("\n| command line (over a tar of the tree unless said) | threads | time | peak RSS | size | of the input |\n"
              "|---|---|---|---|---|---|\n");
  const fs::path packed = root / "tree.out";
  for (int level : {3, 6, 9, 12}) {
    const std::string level_text = std::to_string(level);
    RunResult r = RunCommand({"/usr/bin/zstd", "-q", "-f", std::string("-").append(level_text), "--long=27",
                              std::string("-T").append(std::to_string(jobs)), tar.string(), "-o",
                              packed.string()});
    if (!r.ok) return false;
    std::string what = std::string("zstd -").append(level_text).append(" --long=27");
    PrintCompressionRow(what.c_str(), jobs, r.seconds, r.peak_mib, FileSize(packed), payload);
  }
  if (opt.xz) {
    RunResult r = RunCommand({"/usr/bin/xz", "-9e", "-T1", "-c", tar.string()}, packed.string());
    if (!r.ok) return false;
    PrintCompressionRow("xz -9e (solid LZMA)", 1, r.seconds, r.peak_mib, FileSize(packed), payload);
    // Every file on its own, as many at a time as there are jobs.
    const std::string script =
        "find \"$1\" -type f -print0 | xargs -0 -P \"$2\" -n 32 xz -9e -T1 -k && "
        "find \"$1\" -name '*.xz' -printf '%s\\n' | awk '{s+=$1} END {print s}' && "
        "find \"$1\" -name '*.xz' -delete";
    const fs::path sum = root / "xz_sum.txt";
    r = RunCommand({"/bin/sh", "-c", script, "sh", tree.string(), std::to_string(jobs)}, sum.string());
    if (!r.ok) return false;
    std::ifstream in(sum);
    int64_t size = -1;
    in >> size;
    PrintCompressionRow("xz -9e every file", jobs, r.seconds, r.peak_mib, size, payload);
  }
  fs::remove(tar);
  fs::remove(packed);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  fs::path self_dir = fs::read_symlink("/proc/self/exe").parent_path();
  opt.qrpack = (self_dir / "qrpack").string();
  opt.install_dat = (self_dir / "install.dat").string();
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i], v = argv[i + 1];
    if (a == "--tree-mb") opt.tree_mb = std::atoll(v.c_str());
    else if (a == "--big-mb") opt.big_mb = std::atoll(v.c_str());
    else if (a == "--runs") opt.runs = std::max(1, std::atoi(v.c_str()));
    else if (a == "--jobs") opt.jobs = std::max(1, std::atoi(v.c_str()));
    else if (a == "--qrpack") opt.qrpack = v;
    else if (a == "--install-dat") opt.install_dat = v;
    else if (a == "--compression") opt.compression = v != "0";
    else if (a == "--xz") opt.xz = v != "0";
  }
  int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int all = opt.jobs > 0 ? opt.jobs : cores;

  char tmpl[] = "/tmp/qr_build_bench_XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  fs::path root = tmpl;
  fs::path tree = root / "App";
  std::vector<fs::path> files;
  int64_t payload = AssembleTree(tree, opt.tree_mb * kMiB, &files);
  std::printf("%d cores; tree: %zu files, %.1f MiB from", cores, files.size(),
              static_cast<double>(payload) / kMiB);
  for (const char* s : kSources) std::printf(" %s", s);
  std::printf("; load average at the start %.2f\n", LoadAverage());

  if (opt.compression) {
    bool ok = CompareCompression(opt, tree, root, all, payload) &&
              CompareCommandLines(opt, tree, root, all, payload);
    std::error_code ec;
    fs::remove_all(root, ec);
    return ok ? 0 : 1;
  }

  bool ok = true;
  Rows tree_rows;
  PrintHead();
  ok = Compare(opt, "tree", tree, root, all, payload, &tree_rows);
  if (ok) PrintSpeedUp(all, tree_rows);
  ok = ok && tree_rows.same;
  if (ok && opt.big_mb > 0) {
    fs::path big = root / "big.bin";
    int64_t size = opt.big_mb * kMiB;
    if (!MakeBigFile(files, big, size)) ok = false;
    fs::remove_all(tree);
    Rows big_rows;
    PrintHead();
    ok = ok && Compare(opt, "one file", big, root, all, size, &big_rows);
    if (ok) PrintSpeedUp(all, big_rows);
    ok = ok && big_rows.same;
  }
  struct rusage ru {};
  getrusage(RUSAGE_CHILDREN, &ru);
  std::printf("\npeak resident memory of any build: %.1f MiB\n", static_cast<double>(ru.ru_maxrss) / 1024.0);
  std::error_code ec;
  fs::remove_all(root, ec);
  return ok ? 0 : 1;
}
