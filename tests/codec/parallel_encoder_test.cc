// One stream on several threads: the same bytes, progress reports and stop
// behaviour as the one-thread encoder, with chunks made small so that chunk
// boundaries fall everywhere (inside matches and runs, near block edges)
// and every way of joining two chunks is taken.

#include <gtest/gtest.h>

#include <thread>

#include "codec/lzss_encoder.h"
#include "lzss_plain.h"
#include "codec/parallel_encoder.h"
#include "codec/stream_format.h"
#include "codec_test_util.h"

using Bytes = std::vector<uint8_t>;

namespace {

using codec_test::RecordEncode;
using Outcome = codec_test::Recording;

struct Config {
  int32_t chunk;
  int32_t lead;
  int jobs;
};

std::string Describe(const std::string& what, const Config& c) {
  return what + " chunk " + std::to_string(c.chunk) + " lead " + std::to_string(c.lead) + " jobs " +
         std::to_string(c.jobs);
}

// Encodes on c.jobs threads and adds the joins to *stats.
Outcome Parallel(const Bytes& in, int16_t level, std::span<const uint8_t> code, const Config& c,
                 codec::ParallelStats* stats = nullptr, int stop_at = 0) {
  auto encode = [&](int32_t size, const codec::ReadFn& read, const codec::WriteFn& write,
                    const codec::CodecParams& params, int64_t* compLen, bool* stopped, std::string* err) {
    codec::ParallelOptions o;
    o.width = c.jobs;
    o.chunk = c.chunk;
    o.lead = c.lead;
    auto enc = std::make_shared<codec::ParallelEncoder>(size, params, o);
    std::vector<std::thread> helpers;
    for (int i = 1; i < c.jobs; ++i) helpers.emplace_back([enc] { enc->HelpUntilDone(); });
    const bool ok = enc->Run(read, write, compLen, stopped, err);
    for (std::thread& t : helpers) t.join();
    if (stats) {
      const codec::ParallelStats s = enc->stats();
      stats->chunks += s.chunks;
      stats->joined_in_lead += s.joined_in_lead;
      stats->joined_further += s.joined_further;
      stats->taken_over += s.taken_over;
    }
    return ok;
  };
  return RecordEncode(encode, in, level, code, stop_at);
}

void ExpectSame(const Outcome& par, const Outcome& one, const std::string& what) {
  EXPECT_EQ(par.ok, one.ok) << what << ": " << par.err;
  EXPECT_EQ(par.err, one.err) << what;
  EXPECT_EQ(par.stopped, one.stopped) << what;
  EXPECT_EQ(par.compLen, one.compLen) << what;
  EXPECT_TRUE(par.bytes == one.bytes) << what << ": bytes differ";
  EXPECT_EQ(par.progress, one.progress) << what;
}

Bytes Periodic(size_t n, size_t period, uint64_t seed) {
  const Bytes unit = codec_test::RandomBytes(period, seed);
  Bytes v(n);
  for (size_t i = 0; i < n; ++i) v[i] = unit[i % period];
  return v;
}

// Random bytes with matches only near the window's far end: from every
// even multiple p of 8192, bytes p..p+19 come again 4060 bytes later; from
// every odd one, bytes p+29..p+48 come again 4078 bytes later (the largest
// distance a reference can have). An encoder that starts 30 bytes after p
// agrees with one that started before it for almost a window before they
// part, so any shorter agreement taken for convergence shows.
Bytes WindowEdgeRepeats(size_t n) {
  Bytes v = codec_test::RandomBytes(n, 12);
  for (size_t p = 0; p + 4200 < n; p += 8192) {
    const size_t from = (p / 8192) % 2 == 0 ? p : p + 29;
    const size_t to = (p / 8192) % 2 == 0 ? p + 4060 : p + 4107;
    std::copy_n(v.begin() + static_cast<std::ptrdiff_t>(from), 20, v.begin() + static_cast<std::ptrdiff_t>(to));
  }
  return v;
}

// Inputs whose parses fall into step quickly (random bytes, text, code) and
// late or never (long runs, short periods, periods near the window).
std::vector<std::pair<std::string, Bytes>> Inputs(size_t n) {
  Bytes runs = codec_test::RandomBytes(n, 5);
  for (size_t i = 0; i < n; ++i) {
    if ((i / 7000) % 2 == 0) runs[i] = static_cast<uint8_t>(i / 7000);  // runs of 7000 bytes
  }
  Bytes mixed = codec_test::TextBytes(n, 6);
  const Bytes noise = codec_test::RandomBytes(n, 7);
  for (size_t i = 0; i < n; ++i) {
    const size_t zone = (i / 2500) % 4;
    if (zone == 1) mixed[i] = noise[i];
    if (zone == 2) mixed[i] = 0;
  }
  return {{"text", codec_test::TextBytes(n, 1)},
          {"program", codec_test::ProgramBytes(n)},
          {"random", codec_test::RandomBytes(n, 2)},
          {"zeros", Bytes(n, 0)},
          {"runs", runs},
          {"mixed", mixed},
          {"period 3", Periodic(n, 3, 3)},
          {"period 18", Periodic(n, 18, 4)},
          {"period 4077", Periodic(n, 4077, 8)},
          {"period 4078", Periodic(n, 4078, 9)},
          {"period 4096", Periodic(n, 4096, 10)},
          {"period 4100", Periodic(n, 4100, 11)},
          {"window edge repeats", WindowEdgeRepeats(n)}};
}

// Chunks from a little more than the window to a little more than a block;
// leads from none (every join goes on past the chunk's end) to several
// windows. 16384 with 8162 or 16354 starts every chunk's encoder 30 bytes
// after an odd or even multiple of 8192, where WindowEdgeRepeats sets its
// traps.
const Config kConfigs[] = {{4200, 0, 2},      {5000, 4200, 3},  {6007, 100, 4},     {9000, 8192, 2},
                           {12001, 16384, 5}, {16384, 8162, 3}, {16384, 16354, 2},  {20000, 4078, 8},
                           {40960, 5000, 6},  {41000, 16384, 7}, {65536, 12000, 2}, {150001, 9000, 2}};

TEST(ParallelEncoder, WritesTheOneThreadBytes) {
  const Bytes code = codec_test::Code8192();
  codec::ParallelStats stats;
  for (const auto& [kind, in] : Inputs(200000)) {
    const Outcome one = RecordEncode(codec::EncodeStream, in, 16, code);
    ASSERT_TRUE(one.ok);
    for (const Config& c : kConfigs) ExpectSame(Parallel(in, 16, code, c, &stats), one, Describe(kind, c));
  }
  // Every way of joining two chunks was taken, many times.
  EXPECT_GT(stats.joined_in_lead, 100);
  EXPECT_GT(stats.joined_further, 100);
  EXPECT_GT(stats.taken_over, 100);
}

TEST(ParallelEncoder, EveryJobCount) {
  const Bytes code = codec_test::Code8192();
  const auto inputs = Inputs(150000);
  for (int jobs = 1; jobs <= 8; ++jobs) {
    for (size_t k = 0; k < inputs.size(); k += 2) {
      const auto& [kind, in] = inputs[k];
      const Config c{7000 + 1000 * jobs, 6000, jobs};
      ExpectSame(Parallel(in, 16, code, c), RecordEncode(codec::EncodeStream, in, 16, code),
                 Describe(kind, c));
    }
  }
}

// In a file of zeros every parse is a literal and then references of 18
// bytes; encoders that start at multiples of 18 fall into step with it, so
// every chunk is joined within its lead and none is encoded twice.
TEST(ParallelEncoder, ZerosFallIntoStep) {
  const Bytes zeros(300000, 0);
  for (const Config& c : {Config{20000, 6000, 2}, Config{20011, 5003, 3}}) {
    codec::ParallelStats stats;
    ExpectSame(Parallel(zeros, 16, {}, c, &stats), RecordEncode(codec::EncodeStream, zeros, 16, {}),
               Describe("zeros", c));
    EXPECT_EQ(stats.joined_in_lead, stats.chunks - 1) << Describe("zeros", c);
  }
}

// Every level, served by the rows or by the chain walk, with and without a
// code array; the plain transcription agrees as well.
TEST(ParallelEncoder, EveryLevel) {
  const Bytes code = codec_test::Code8192();
  const Bytes code2{0x12, 0x34};
  const auto inputs = Inputs(90000);
  for (int16_t level : {-1, 0, 1, 3, 16, 30, 31, 200}) {
    const std::span<const uint8_t> c =
        level == 16 ? std::span<const uint8_t>(code)
                    : (level == 3 ? std::span<const uint8_t>(code2) : std::span<const uint8_t>());
    for (size_t k = level % 3 == 0 ? 0 : 1; k < inputs.size(); k += 3) {
      const auto& [kind, in] = inputs[k];
      const Outcome one = RecordEncode(codec::EncodeStream, in, level, c);
      const std::string what = kind + " level " + std::to_string(level);
      ExpectSame(one, RecordEncode(codec::EncodeStreamPlain, in, level, c), what + " plain");
      for (const Config& cfg : {Config{5000, 4500, 3}, Config{9001, 0, 2}, Config{16384, 8162, 4},
                                Config{16384, 16354, 2}})
        ExpectSame(Parallel(in, level, c, cfg), one, Describe(what, cfg));
    }
  }
}

// Lengths around the chunk size, the block size and the look-ahead: the last
// chunk may be shorter than the look-ahead, and the stream's last block may
// end anywhere in a group.
TEST(ParallelEncoder, LengthsAroundChunksAndBlocks) {
  const Bytes code = codec_test::Code8192();
  const Bytes text = codec_test::TextBytes(140000, 21);
  const Bytes random = codec_test::RandomBytes(140000, 22);
  const Config c{20000, 6000, 3};
  for (size_t n : {1, 17, 18, 19, 4096, 20000, 20001, 20017, 20018, 20019, 39999, 40000, 40959, 40960, 40961,
                   81920, 81921, 100001, 119999, 122880, 140000}) {
    for (const Bytes* src : {&text, &random}) {
      const Bytes in(src->begin(), src->begin() + static_cast<std::ptrdiff_t>(n));
      ExpectSame(Parallel(in, 16, code, c), RecordEncode(codec::EncodeStream, in, 16, code),
                 "length " + std::to_string(n));
    }
  }
}

// The stop request is honoured after the same progress report as the
// one-thread encoder's; what was written is the header and full blocks, a
// start of the whole stream.
TEST(ParallelEncoder, StopsAfterTheSameReport) {
  const Bytes in = codec_test::TextBytes(400000, 31);
  const Bytes full = codec_test::Compress(in, 16);
  for (int stop_at : {1, 2, 3, 7, 10}) {
    for (int jobs : {2, 4}) {
      const Config c{9000, 5000, jobs};
      const Outcome par = Parallel(in, 16, {}, c, nullptr, stop_at);
      const Outcome one = RecordEncode(codec::EncodeStream, in, 16, {}, stop_at);
      EXPECT_EQ(par.stopped, one.stopped) << stop_at;
      EXPECT_EQ(par.progress, one.progress) << stop_at;
      EXPECT_EQ(par.compLen, par.stopped ? 0 : one.compLen) << stop_at;
      ASSERT_GE(par.bytes.size(), 4u);
      if (par.stopped) {
        EXPECT_EQ((par.bytes.size() - 4) % codec::kBlockSize, 0u) << stop_at;
      }
      EXPECT_TRUE(std::equal(par.bytes.begin(), par.bytes.end(), full.begin())) << stop_at;
    }
  }
}

// A failing read or write ends the encode with its message, whatever the
// helpers are doing.
TEST(ParallelEncoder, ReadAndWriteFailures) {
  const Bytes in = codec_test::ProgramBytes(300000);
  codec::CodecParams params;
  for (size_t fail_at : {size_t{0}, size_t{1}, size_t{5}}) {
    size_t reads = 0;
    size_t at = 0;
    codec::ReadFn read = [&](uint8_t* buf, size_t n, std::string* e) {
      if (reads++ == fail_at) {
        *e = "disk gone";
        return false;
      }
      std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(at), n, buf);
      at += n;
      return true;
    };
    codec::WriteFn write = [](const uint8_t*, size_t, std::string*) { return true; };
    int64_t len = 0;
    bool stopped = false;
    std::string err;
    codec::ParallelOptions o;
    o.chunk = 10000;
    o.lead = 5000;
    EXPECT_FALSE(codec::EncodeStreamOnThreads(static_cast<int32_t>(in.size()), read, write, params, 4, &len,
                                              &stopped, &err, &o));
    EXPECT_EQ(err, "disk gone");
  }
  for (size_t fail_at : {size_t{0}, size_t{1}, size_t{3}}) {
    size_t writes = 0;
    size_t at = 0;
    codec::ReadFn read = [&](uint8_t* buf, size_t n, std::string*) {
      std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(at), n, buf);
      at += n;
      return true;
    };
    codec::WriteFn write = [&](const uint8_t*, size_t, std::string* e) {
      if (writes++ == fail_at) {
        *e = "disk full";
        return false;
      }
      return true;
    };
    int64_t len = 0;
    bool stopped = false;
    std::string err;
    codec::ParallelOptions o;
    o.chunk = 10000;
    o.lead = 5000;
    EXPECT_FALSE(codec::EncodeStreamOnThreads(static_cast<int32_t>(in.size()), read, write, params, 3, &len,
                                              &stopped, &err, &o));
    EXPECT_EQ(err, "disk full");
  }
}

// With the default sizes, one job or an input of one chunk goes to the
// one-thread encoder; larger ones are split and give the same stream.
TEST(ParallelEncoder, DefaultSizes) {
  const Bytes in = codec_test::TextBytes(2 * codec::DefaultChunkSize(2) + 12345, 41);
  const Bytes one = codec_test::Compress(in, 16);
  for (int jobs : {1, 2, 3}) {
    const Outcome par = RecordEncode(
        [jobs](int32_t size, const codec::ReadFn& read, const codec::WriteFn& write,
               const codec::CodecParams& params, int64_t* compLen, bool* stopped, std::string* err) {
          return codec::EncodeStreamOnThreads(size, read, write, params, jobs, compLen, stopped, err);
        },
        in, 16, {});
    EXPECT_TRUE(par.ok);
    EXPECT_TRUE(par.bytes == one) << jobs;
  }
}

}  // namespace
