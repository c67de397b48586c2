// Codec throughput beside zlib on the same bytes: our Compress and Decompress
// at level 16 with an 8192-byte code array, zlib deflate at levels 1 and 6
// and inflate. After the runs a table gives MB/s (of original bytes), the
// ratios ours/zlib and the compressed sizes.

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench_inputs.h"
#include "codec/memory_codec.h"

namespace {

constexpr size_t kInputSize = 4 << 20;

// The shared inputs and real prose, which shows what the text input's small
// vocabulary hides: longer matches, more literals, more distinct hashes.
const std::vector<bench::Input>& CodecInputs() {
  static const std::vector<bench::Input> inputs = [] {
    std::vector<bench::Input> v = bench::Inputs(kInputSize);
    v.push_back({"doc", bench::DocText(kInputSize)});
    return v;
  }();
  return inputs;
}
constexpr int kInputCount = 5;

// The input of a run, or nullptr (the run skipped) when the machine has none.
const bench::Input* InputFor(benchmark::State& state) {
  const bench::Input& in = CodecInputs()[static_cast<size_t>(state.range(0))];
  if (!in.bytes.empty()) return &in;
  state.SkipWithError("no such files on this machine");
  return nullptr;
}

codec::CodecParams Params() {
  codec::CodecParams p;
  p.code = bench::Code8192();
  p.level = 16;
  return p;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& in, int level) {
  uLongf n = compressBound(in.size());
  std::vector<uint8_t> out(n);
  if (compress2(out.data(), &n, in.data(), in.size(), level) != Z_OK) std::abort();
  out.resize(n);
  return out;
}

// Compressed sizes, filled in as the benchmarks run.
std::map<std::string, size_t>& Sizes() {
  static std::map<std::string, size_t> sizes;
  return sizes;
}

void BM_Compress(benchmark::State& state) {
  const bench::Input* input = InputFor(state);
  if (input == nullptr) return;
  const bench::Input& in = *input;
  const codec::CodecParams params = Params();
  std::vector<uint8_t> stream;
  stream.reserve(in.bytes.size() * 9 / 8 + 64);
  std::string err;
  for (auto _ : state) {
    stream.clear();
    if (!codec::CompressBuffer(in.bytes, params, &stream, &err)) state.SkipWithError(err.c_str());
    benchmark::DoNotOptimize(stream.data());
  }
  Sizes()["ours/" + in.name] = stream.size();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
  state.SetLabel(in.name);
}

void BM_Decompress(benchmark::State& state) {
  const bench::Input* input = InputFor(state);
  if (input == nullptr) return;
  const bench::Input& in = *input;
  const codec::CodecParams params = Params();
  std::vector<uint8_t> stream, out;
  std::string err;
  if (!codec::CompressBuffer(in.bytes, params, &stream, &err)) state.SkipWithError(err.c_str());
  out.reserve(in.bytes.size());
  for (auto _ : state) {
    if (!codec::DecompressBuffer(stream, true, params, &out, &err)) state.SkipWithError(err.c_str());
    benchmark::DoNotOptimize(out.data());
  }
  if (out != in.bytes) state.SkipWithError("round trip differs");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
  state.SetLabel(in.name);
}

void BM_ZlibDeflate(benchmark::State& state) {
  const bench::Input* input = InputFor(state);
  if (input == nullptr) return;
  const bench::Input& in = *input;
  const int level = static_cast<int>(state.range(1));
  std::vector<uint8_t> out(compressBound(in.bytes.size()));
  uLongf n = 0;
  for (auto _ : state) {
    n = out.size();
    compress2(out.data(), &n, in.bytes.data(), in.bytes.size(), level);
    benchmark::DoNotOptimize(out.data());
  }
  Sizes()["zlib" + std::to_string(level) + "/" + in.name] = n;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
  state.SetLabel(in.name);
}

void BM_ZlibInflate(benchmark::State& state) {
  const bench::Input* input = InputFor(state);
  if (input == nullptr) return;
  const bench::Input& in = *input;
  const std::vector<uint8_t> z = Deflate(in.bytes, 6);
  std::vector<uint8_t> out(in.bytes.size());
  for (auto _ : state) {
    uLongf n = out.size();
    if (uncompress(out.data(), &n, z.data(), z.size()) != Z_OK) state.SkipWithError("inflate");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.bytes.size()));
  state.SetLabel(in.name);
}

BENCHMARK(BM_Compress)->DenseRange(0, kInputCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDeflate)
    ->ArgsProduct({benchmark::CreateDenseRange(0, kInputCount - 1, 1), {1, 6}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decompress)->DenseRange(0, kInputCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflate)->DenseRange(0, kInputCount - 1)->Unit(benchmark::kMillisecond);

// Keeps each run's MB/s by benchmark name and input label.
class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      auto it = r.counters.find("bytes_per_second");
      if (it == r.counters.end() || r.run_type != Run::RT_Iteration) continue;
      std::string name = r.benchmark_name();
      name = name.substr(0, name.find('/'));
      if (name == "BM_ZlibDeflate") name += r.benchmark_name().substr(r.benchmark_name().rfind('/'));
      mbps[name + "|" + r.report_label] = it->second.value / 1e6;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> mbps;
};

void PrintTable(const Collector& c) {
  auto get = [&](const std::string& bm, const std::string& in) {
    auto it = c.mbps.find(bm + "|" + in);
    return it == c.mbps.end() ? 0.0 : it->second;
  };
  std::printf("\nMB/s of original bytes, %zu-byte inputs; level 16, 8192-byte code array\n",
              kInputSize);
  std::printf("%-7s %9s %9s %9s %8s %8s | %9s %9s %8s | %7s %7s %7s\n", "input", "compress",
              "deflate1", "deflate6", "/zlib1", "/zlib6", "decomp", "inflate", "/infl",
              "ours%", "z1%", "z6%");
  for (const bench::Input& in : CodecInputs()) {
    if (in.bytes.empty()) continue;
    const double comp = get("BM_Compress", in.name), d1 = get("BM_ZlibDeflate/1", in.name),
                 d6 = get("BM_ZlibDeflate/6", in.name), dec = get("BM_Decompress", in.name),
                 inf = get("BM_ZlibInflate", in.name);
    auto pct = [&](const std::string& key) {
      return 100.0 * static_cast<double>(Sizes()[key + "/" + in.name]) / in.bytes.size();
    };
    std::printf("%-7s %9.1f %9.1f %9.1f %8.2f %8.2f | %9.1f %9.1f %8.2f | %7.1f %7.1f %7.1f\n",
                in.name.c_str(), comp, d1, d6, d1 > 0 ? comp / d1 : 0, d6 > 0 ? comp / d6 : 0, dec,
                inf, inf > 0 ? dec / inf : 0, pct("ours"), pct("zlib1"), pct("zlib6"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  PrintTable(collector);
  benchmark::Shutdown();
  return 0;
}
