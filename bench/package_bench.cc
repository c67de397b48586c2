// The package build end to end: collection, the writer with its stub and
// uninstaller, and the reader's verify pass, on a tree of 64 files of 1 MiB
// (16 of each benchmark input) written to a temporary folder. Reports MB/s of
// payload and the process's peak resident memory, which must stay flat
// (the build streams; nothing is sized by the payload).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>

#include "bench_inputs.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package/stub_container.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

class NoProgress : public package::BuildProgress {
 public:
  void SetStatus(const std::string&) override {}
  void SetMaximum(float) override {}
  void Advance(int32_t) override {}
};

struct Fixture {
  std::string root;
  std::string install_dat;
  package::PackageRequest request;
  int64_t payload = 0;

  Fixture() {
    root = platform::TempFolder() + "/qr_package_bench";
    fs::remove_all(root);
    fs::create_directories(root + "/App");
    const auto& inputs = bench::Inputs(1 << 20);
    for (int i = 0; i < 64; ++i) {
      const auto& in = inputs[static_cast<size_t>(i) % inputs.size()];
      std::string dir = root + "/App/" + in.name + std::to_string(i / 16);
      fs::create_directories(dir);
      std::string err;
      auto f = platform::File::Open(dir + "/f" + std::to_string(i), platform::File::Mode::kCreateTruncate, &err);
      if (!f || !f->Write(in.bytes.data(), in.bytes.size(), &err) || !f->Close(&err)) std::abort();
      payload += static_cast<int64_t>(in.bytes.size());
    }
    // Stub and uninstaller images: this program's own bytes.
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string err;
    package::WriteStubContainer(self, self, root + "/install.dat", &err);
    request.properties = {"测试", "QrSetup", root + "/out.exe", "Quorin软件工作室", "1.0.0.0"};
    request.install_dat = root + "/install.dat";
    request.entries = {{"App", root + "/", 64}};
  }
  ~Fixture() { fs::remove_all(root); }
};

Fixture& Tree() {
  static Fixture f;
  return f;
}

void SetPeakMemory(benchmark::State& state) {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  state.counters["peak_rss_MiB"] = static_cast<double>(ru.ru_maxrss) / 1024.0;
}

void BM_MakePackage(benchmark::State& state) {
  Fixture& f = Tree();
  NoProgress progress;
  for (auto _ : state) {
    package::BuildResult r = package::MakePackage(f.request, progress);
    if (r.outcome != package::BuildOutcome::kWritten) state.SkipWithError(r.message.c_str());
  }
  state.SetBytesProcessed(state.iterations() * f.payload);
  SetPeakMemory(state);
}
BENCHMARK(BM_MakePackage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VerifyPackage(benchmark::State& state) {
  Fixture& f = Tree();
  NoProgress progress;
  package::MakePackage(f.request, progress);
  for (auto _ : state) {
    package::PackageReader reader;
    std::string err;
    if (!reader.Open(f.request.properties.save_path, &err)) state.SkipWithError(err.c_str());
    for (size_t i = 0; i < reader.contents().files.size(); ++i) {
      auto discard = [](const uint8_t*, size_t, std::string*) { return true; };
      if (!reader.DecodeRecord(i, discard, nullptr, &err)) state.SkipWithError(err.c_str());
    }
  }
  state.SetBytesProcessed(state.iterations() * f.payload);
  SetPeakMemory(state);
}
BENCHMARK(BM_VerifyPackage)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
