// The rule the parallel encoder rests on, checked on the encoders
// themselves: two encoders of the same bytes, one from the stream's start
// and one that starts later with empty chains, encode the same items from
// any item start c on where the later one has taken in every position of
// c's window (the kRingSize - kMaxMatch indexes before c) and both chose
// the same items over that window. A shorter agreement is not enough.

#include <gtest/gtest.h>

#include <cstring>

#include "codec/chain_encoder.h"
#include "codec/item_record.h"
#include "codec/row_encoder.h"
#include "codec_test_util.h"

using Bytes = std::vector<uint8_t>;

namespace {

constexpr int32_t kWindow = codec::kRingSize - codec::kMaxMatch;

struct MemoryInput {
  const Bytes* bytes;
  int64_t at;
  bool Read(uint8_t* buf, size_t n, std::string*) {
    std::memcpy(buf, bytes->data() + at, n);
    at += static_cast<int64_t>(n);
    return true;
  }
  void Started(int32_t) {}
  bool AfterRead(int32_t) { return false; }
};

// The items of an encoder that starts at start with empty chains.
template <class Encoder>
codec::ItemRecord Parse(const Bytes& in, int16_t level, int32_t start) {
  const int32_t size = static_cast<int32_t>(in.size());
  Encoder enc(level);
  MemoryInput src{&in, Encoder::ReadsFrom(size, start)};
  std::string err;
  codec::ItemRecord items;
  items.Start(start, size - start);
  EXPECT_TRUE(enc.Begin(size, start, src, &err));
  EXPECT_EQ(enc.Encode(size, src, items, &err), codec::EncodeStatus::kDone);
  items.Reached(enc.index());
  return items;
}

// The first item start c from which the late parse has agreed with the full
// one over span indexes, having started at least span before c, with the
// look-ahead whole before c; -1 when there is none. *same_after: whether
// the two parses have the same items from c to the end.
int64_t Converge(const codec::ItemRecord& full, const codec::ItemRecord& late, int32_t start,
                 int32_t span, int32_t size, bool* same_after) {
  codec::ItemRecord::Cursor x = full.Seek(start);
  codec::ItemRecord::Cursor y = late.First();
  const int64_t x_end = full.End().item;
  const int64_t y_end = late.End().item;
  int64_t agree = -1;
  while (x.item < x_end && y.item < y_end) {
    if (x.at == y.at) {
      const int64_t c = x.at;
      if (agree >= 0 && c - agree >= span && c - start >= span && c <= size - codec::kMaxMatch) {
        *same_after = x_end - x.item == y_end - y.item;
        for (; *same_after && x.item < x_end; full.Step(&x), late.Step(&y))
          *same_after = x.at == y.at && full.Same(x, late, y);
        return c;
      }
      if (full.Same(x, late, y)) {
        if (agree < 0) agree = c;
      } else {
        agree = -1;
      }
      full.Step(&x);
      late.Step(&y);
    } else if (x.at < y.at) {
      agree = -1;
      full.Step(&x);
    } else {
      agree = -1;
      late.Step(&y);
    }
  }
  return -1;
}

Bytes WindowEdgeRepeat(size_t n, size_t p, size_t distance) {
  Bytes v = codec_test::RandomBytes(n, 77);
  std::copy_n(v.begin() + static_cast<std::ptrdiff_t>(p), 20,
              v.begin() + static_cast<std::ptrdiff_t>(p + distance));
  return v;
}

template <class Encoder>
void ExpectAgreementOverTheWindowSuffices(int16_t level) {
  Bytes runs = codec_test::RandomBytes(120000, 3);
  for (size_t i = 0; i < runs.size(); ++i) {
    if ((i / 5000) % 3 == 0) runs[i] = 0;
  }
  const std::vector<std::pair<std::string, Bytes>> inputs = {
      {"text", codec_test::TextBytes(120000, 1)},
      {"program", codec_test::ProgramBytes(120000)},
      {"random", codec_test::RandomBytes(120000, 2)},
      {"runs", runs},
      {"edge repeat", WindowEdgeRepeat(120000, 30000, 4078)}};
  int converged = 0;
  for (const auto& [kind, in] : inputs) {
    const codec::ItemRecord full = Parse<Encoder>(in, level, 0);
    for (int32_t start : {1, 999, 4096, 29990, 30001, 30031, 50000, 77777}) {
      const codec::ItemRecord late = Parse<Encoder>(in, level, start);
      bool same = false;
      const int64_t c = Converge(full, late, start, kWindow, static_cast<int32_t>(in.size()), &same);
      if (c < 0) continue;
      ++converged;
      EXPECT_TRUE(same) << kind << " from " << start << ": parted after agreeing up to " << c;
    }
  }
  EXPECT_GT(converged, 30);
}

TEST(Convergence, AgreementOverTheWindowSufficesForTheRows) {
  for (int16_t level : {0, 16, 30}) ExpectAgreementOverTheWindowSuffices<codec::RowEncoder>(level);
}

TEST(Convergence, AgreementOverTheWindowSufficesForTheChainWalk) {
  ExpectAgreementOverTheWindowSuffices<codec::ChainEncoder>(200);
}

// Bytes 30000..30019 come again 4078 bytes later. A parse that starts at
// 30001 lacks position 30000, which the full parse matches at 34078: they
// agree on every item of the 4077 indexes before it and still part there.
template <class Encoder>
void ExpectAShorterAgreementFails(int16_t level) {
  const Bytes in = WindowEdgeRepeat(60000, 30000, 4078);
  const int32_t size = static_cast<int32_t>(in.size());
  const codec::ItemRecord full = Parse<Encoder>(in, level, 0);
  const codec::ItemRecord late = Parse<Encoder>(in, level, 30001);
  bool same = true;
  EXPECT_EQ(Converge(full, late, 30001, kWindow - 1, size, &same), 34078);
  EXPECT_FALSE(same);
  // Over the whole window the repeat is inside the span compared.
  const int64_t c = Converge(full, late, 30001, kWindow, size, &same);
  EXPECT_GT(c, 34078);
  EXPECT_TRUE(same);
}

TEST(Convergence, AShorterAgreementIsNotEnough) {
  ExpectAShorterAgreementFails<codec::RowEncoder>(16);
  ExpectAShorterAgreementFails<codec::ChainEncoder>(100);
}

}  // namespace
