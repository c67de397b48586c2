// The fast encoder and decoder against the plain transcriptions of the
// stream's rules: the same bytes, the same progress reports, the same
// results on damaged streams, over many random and real inputs.

#include <gtest/gtest.h>

#include "codec/lzss_decoder.h"
#include "codec/lzss_encoder.h"
#include "lzss_plain.h"
#include "codec_test_util.h"

using Bytes = std::vector<uint8_t>;

namespace {

using codec_test::RecordDecode;
using codec_test::RecordEncode;
using Outcome = codec_test::Recording;

void ExpectSame(const Outcome& fast, const Outcome& plain, const std::string& what) {
  EXPECT_EQ(fast.ok, plain.ok) << what;
  EXPECT_EQ(fast.stopped, plain.stopped) << what;
  EXPECT_EQ(fast.err, plain.err) << what;
  EXPECT_TRUE(fast.bytes == plain.bytes) << what << ": bytes differ";
  EXPECT_EQ(fast.progress, plain.progress) << what;
  EXPECT_EQ(fast.writes, plain.writes) << what;
}

// Inputs of many kinds: text, machine code, random bytes, runs, and
// mixtures that switch between them.
std::vector<std::pair<std::string, Bytes>> Inputs(uint64_t seed, size_t n) {
  Bytes mixed = codec_test::TextBytes(n, seed);
  const Bytes noise = codec_test::RandomBytes(n, seed + 1);
  const Bytes prog = codec_test::ProgramBytes(n);
  for (size_t i = 0; i < n; ++i) {
    const size_t zone = (i / (997 + seed % 500)) % 5;
    if (zone == 1) mixed[i] = noise[i];
    if (zone == 2) mixed[i] = prog[i];
    if (zone == 3) mixed[i] = static_cast<uint8_t>('a' + (i / 50) % 3);
  }
  return {{"text", codec_test::TextBytes(n, seed)},
          {"program", prog},
          {"random", noise},
          {"mixed", mixed},
          {"small alphabet", [&] {
             Bytes v = codec_test::RandomBytes(n, seed + 2);
             for (auto& b : v) b = static_cast<uint8_t>('a' + b % 4);
             return v;
           }()},
          // Full-length matches unlink a candidate at almost every item: a
          // pattern of 18 bytes repeated, and runs broken by rare noise.
          {"period 18", [&] {
             Bytes v(n);
             for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>('A' + i % 18);
             return v;
           }()},
          {"broken runs", [&] {
             Bytes v = codec_test::RandomBytes(n, seed + 3);
             for (size_t i = 0; i < n; ++i) v[i] = v[i] < 4 ? v[i] : static_cast<uint8_t>((i / 600) % 3);
             return v;
           }()}};
}

TEST(Oracle, EncoderWritesTheSameBytes) {
  const Bytes code = codec_test::Code8192();
  const Bytes code2{0x12, 0x34};
  uint64_t seed = 0;
  for (size_t n : {1, 2, 17, 18, 19, 100, 4095, 4096, 4097, 8193, 40960, 40961, 100000, 300000}) {
    for (const auto& [kind, in] : Inputs(++seed, n)) {
      // 30 and 31: the deepest search served by the rows and the first
      // served by the chain walk.
      for (int16_t level : {-1, 0, 1, 3, 16, 30, 31, 200}) {
        const std::span<const uint8_t> c =
            level == 16 ? std::span<const uint8_t>(code)
                        : (level == 3 ? std::span<const uint8_t>(code2) : std::span<const uint8_t>());
        const std::string what = kind + " " + std::to_string(n) + " level " + std::to_string(level);
        ExpectSame(RecordEncode(codec::EncodeStream, in, level, c),
                   RecordEncode(codec::EncodeStreamPlain, in, level, c), what);
      }
    }
  }
}

TEST(Oracle, EncoderStopsAtTheSamePlace) {
  const Bytes in = codec_test::TextBytes(200000, 9);
  for (int stop_at : {1, 2, 3, 5}) {
    ExpectSame(RecordEncode(codec::EncodeStream, in, 16, {}, stop_at),
               RecordEncode(codec::EncodeStreamPlain, in, 16, {}, stop_at), "stop");
  }
}

TEST(Oracle, DecoderGivesTheSameResults) {
  const Bytes code = codec_test::Code8192();
  uint64_t seed = 100;
  for (size_t n : {1, 18, 4097, 40960, 40961, 81921, 250000}) {
    for (const auto& [kind, in] : Inputs(++seed, n)) {
      for (bool with_code : {false, true}) {
        const std::span<const uint8_t> c =
            with_code ? std::span<const uint8_t>(code) : std::span<const uint8_t>();
        Bytes stream = codec_test::Compress(in, 16, c);
        const std::string what = kind + " " + std::to_string(n);
        Outcome fast = RecordDecode(codec::DecodeStream, stream, true, c);
        EXPECT_TRUE(fast.bytes == in) << what;
        ExpectSame(fast, RecordDecode(codec::DecodeStreamPlain, stream, true, c), what);
        // Stop requests, cuts, and stray bytes in the stream.
        ExpectSame(RecordDecode(codec::DecodeStream, stream, true, c, 1),
                   RecordDecode(codec::DecodeStreamPlain, stream, true, c, 1), what + " stop");
        const Bytes cut(stream.begin(), stream.begin() + stream.size() * 2 / 3);
        ExpectSame(RecordDecode(codec::DecodeStream, cut, false, c),
                   RecordDecode(codec::DecodeStreamPlain, cut, false, c), what + " cut");
        for (size_t k = 0; k < 20; ++k) {
          Bytes bad = stream;
          bad[4 + (k * 7919 + n) % (bad.size() - 4)] ^= static_cast<uint8_t>(1 + k);
          ExpectSame(RecordDecode(codec::DecodeStream, bad, k % 2 == 0, c),
                     RecordDecode(codec::DecodeStreamPlain, bad, k % 2 == 0, c), what + " damaged");
        }
      }
    }
  }
}

TEST(Oracle, DecoderOnRandomStreams) {
  for (uint64_t seed = 0; seed < 400; ++seed) {
    Bytes s = codec_test::RandomBytes(16 + seed * 97, seed);
    codec::PutHeader(static_cast<int32_t>(seed * seed * 3), s.data());
    ExpectSame(RecordDecode(codec::DecodeStream, s, seed % 2 == 0, {}),
               RecordDecode(codec::DecodeStreamPlain, s, seed % 2 == 0, {}), "random " + std::to_string(seed));
  }
}

}  // namespace
