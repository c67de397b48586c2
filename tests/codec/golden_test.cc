// Fingerprints of deterministic streams. The expected values were taken from
// this encoder after it reproduced every hand-worked stream in
// stream_format_test.cc; they pin the output down so that the native build,
// the Windows build (under wine) and any faster encoder must all write these
// very bytes. The inputs come from the portable generators of
// codec_test_util (no machine-dependent data).

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>

#include "codec_test_util.h"

using Bytes = std::vector<uint8_t>;

namespace {

struct Golden {
  const char* kind;
  size_t size;
  int16_t level;
  bool with_code;
  uint64_t fnv;
};

Bytes Input(const char* kind, size_t n) {
  if (kind[0] == 't') return codec_test::TextBytes(n, 11);
  if (kind[0] == 'r') return codec_test::RandomBytes(n, 12);
  Bytes v = codec_test::TextBytes(n, 13);  // "mixed": text with runs and noise
  const Bytes noise = codec_test::RandomBytes(n, 14);
  for (size_t i = 0; i < n; ++i) {
    if ((i / 5000) % 3 == 1) v[i] = noise[i];
    if ((i / 777) % 9 == 4) v[i] = 0;
  }
  return v;
}

const Golden kGolden[] = {
#include "golden_streams.inc"
};

TEST(Golden, StreamsMatchTheirFingerprints) {
  const Bytes code = codec_test::Code8192();
  for (const Golden& g : kGolden) {
    const Bytes s = codec_test::Compress(Input(g.kind, g.size), g.level,
                                         g.with_code ? std::span<const uint8_t>(code)
                                                     : std::span<const uint8_t>());
    const uint64_t got = codec_test::Fnv1a(s);
    EXPECT_EQ(got, g.fnv) << g.kind << " " << g.size << " level " << g.level << " code "
                          << g.with_code;
    if (getenv("QR_PRINT_GOLDEN")) {
      std::printf("    {\"%s\", %zu, %d, %s, 0x%016" PRIx64 "ull},\n", g.kind, g.size, g.level,
                  g.with_code ? "true" : "false", got);
    }
  }
}

}  // namespace
