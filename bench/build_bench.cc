// The whole build as a user runs it: `qrpack build` in a child process on a
// tree of real files copied from this machine (shared libraries and package
// documentation), with 1 job and with one job per core, then on one large
// file made by concatenating the tree's files. Prints the payload MB/s
// (wall clock, median of the runs) and the child's peak resident memory
// (getrusage of the child), and checks the packages are the same bytes.
//
// usage: build_bench [--tree-mb N] [--big-mb N (0: skip)] [--runs N]
//                    [--qrpack PATH] [--install-dat PATH]
// qrpack and install.dat default to the ones beside this program.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
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
  int64_t big_mb = 1536;
  int runs = 3;
  std::string qrpack;
  std::string install_dat;
};

// Copies regular files from the sources, half of the budget from each as far
// as they go, keeping their relative paths.
int64_t AssembleTree(const fs::path& tree, int64_t budget, std::vector<fs::path>* files) {
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
      fs::path to = tree / ("src" + std::to_string(s)) / fs::relative(it->path(), kSources[s]);
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

RunResult RunBuild(const Options& opt, const fs::path& entry, const fs::path& out, int jobs) {
  std::vector<std::string> args = {opt.qrpack, "build", "--quiet", "--install-dat", opt.install_dat,
                                   "-o", out.string(), "--jobs", std::to_string(jobs),
                                   entry.string()};
  std::fflush(stdout);  // the child must not repeat what is buffered
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (!freopen("/dev/null", "w", stdout)) _exit(126);
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

// Runs the build opt.runs times with jobs and prints one table row.
bool Row(const Options& opt, const char* what, const fs::path& entry, const fs::path& out,
         int jobs, int64_t payload, double* mbps, int runs) {
  std::vector<double> secs, cpu;
  double peak = 0;
  for (int i = 0; i < runs; ++i) {
    // Every run writes a new package, as a build pipeline does. Replacing
    // the last run's file would add the file system's flush of the new one
    // at the final rename (about 0.1 s for a 200 MiB tree on ext4).
    fs::remove(out);
    RunResult r = RunBuild(opt, entry, out, jobs);
    if (!r.ok) {
      std::fprintf(stderr, "qrpack build failed (%s, %d jobs)\n", what, jobs);
      return false;
    }
    secs.push_back(r.seconds);
    cpu.push_back(r.cpu_seconds);
    peak = std::max(peak, r.peak_mib);
  }
  std::sort(secs.begin(), secs.end());
  std::sort(cpu.begin(), cpu.end());
  double median = secs[secs.size() / 2];
  *mbps = static_cast<double>(payload) / kMiB / median;
  std::printf("| %s | %.0f MiB | %d | %.2f s | %.2f s | %.1f MB/s | %.1f MiB |\n", what,
              static_cast<double>(payload) / kMiB, jobs, median, cpu[cpu.size() / 2], *mbps, peak);
  std::fflush(stdout);
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
    else if (a == "--qrpack") opt.qrpack = v;
    else if (a == "--install-dat") opt.install_dat = v;
  }
  int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

  char tmpl[] = "/tmp/qr_build_bench_XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  fs::path root = tmpl;
  fs::path tree = root / "App";
  std::vector<fs::path> files;
  int64_t payload = AssembleTree(tree, opt.tree_mb * kMiB, &files);
  std::printf("%d cores; tree: %zu files, %.1f MiB from", cores, files.size(),
              static_cast<double>(payload) / kMiB);
  for (const char* s : kSources) std::printf(" %s", s);
  std::printf("\n\n| input | payload | jobs | time | CPU time | speed | peak RSS |\n|---|---|---|---|---|---|---|\n");

  bool ok = true;
  double one = 0, all = 0;
  ok = ok && Row(opt, "tree", tree, root / "p1.exe", 1, payload, &one, opt.runs);
  ok = ok && Row(opt, "tree", tree, root / "pn.exe", cores, payload, &all, opt.runs);
  if (ok) {
    std::printf("\nspeed-up with %d jobs: %.2fx; packages %s\n", cores, all / one,
                SameFiles(root / "p1.exe", root / "pn.exe") ? "identical" : "DIFFER");
  }
  if (ok && opt.big_mb > 0) {
    fs::remove(root / "p1.exe");
    fs::remove(root / "pn.exe");
    fs::path big = root / "big.bin";
    int64_t size = opt.big_mb * kMiB;
    if (!MakeBigFile(files, big, size)) ok = false;
    fs::remove_all(tree);
    std::printf("\n| input | payload | jobs | time | CPU time | speed | peak RSS |\n|---|---|---|---|---|---|---|\n");
    double big_mbps = 0;
    ok = ok && Row(opt, "one file", big, root / "pb.exe", cores, size, &big_mbps, 1);
  }
  struct rusage ru {};
  getrusage(RUSAGE_CHILDREN, &ru);
  std::printf("\npeak resident memory of any build: %.1f MiB\n", static_cast<double>(ru.ru_maxrss) / 1024.0);
  std::error_code ec;
  fs::remove_all(root, ec);
  return ok ? 0 : 1;
}
