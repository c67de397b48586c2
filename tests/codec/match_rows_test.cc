// The encoder's row comparisons: the SSE2 forms against the portable ones,
// on rows built to hit every boundary (window edges, equal and near keys,
// matches of every length up to the full 18 bytes).

#include <gtest/gtest.h>

#include <random>

#include "codec/match_rows.h"

#ifdef QR_MATCH_ROWS_SSE2

namespace rows = codec::rows;

TEST(MatchRows, WindowKeyAndByteMasksAgree) {
  std::mt19937 rng(7);
  alignas(16) int32_t index[rows::kSlots];
  alignas(16) uint16_t keys[rows::kSlots];
  alignas(16) uint8_t bytes[rows::kSlots];
  for (int round = 0; round < 2000; ++round) {
    const int32_t oldest = static_cast<int32_t>(rng() % 100000) - 50000;
    for (int s = 0; s < rows::kSlots; ++s) {
      index[s] = oldest + static_cast<int32_t>(rng() % 7) - 3;  // around the edge
      keys[s] = static_cast<uint16_t>(rng() % 3 == 0 ? 0x8001 : rng() % 4);
      bytes[s] = static_cast<uint8_t>(rng() % 3 == 0 ? 0x80 : rng() % 3);
    }
    if (round % 5 == 0) index[rng() % rows::kSlots] = INT32_MIN;
    if (round % 7 == 0) index[rng() % rows::kSlots] = INT32_MAX;
    EXPECT_EQ(rows::sse2::InWindow(index, oldest), rows::portable::InWindow(index, oldest));
    for (uint16_t key : {uint16_t{0}, uint16_t{1}, uint16_t{0x8001}, uint16_t{0xFFFF}})
      EXPECT_EQ(rows::sse2::SameKey(keys, key), rows::portable::SameKey(keys, key)) << key;
    for (uint8_t byte : {uint8_t{0}, uint8_t{2}, uint8_t{0x80}, uint8_t{0xFF}})
      EXPECT_EQ(rows::sse2::SameByte(bytes, byte), rows::portable::SameByte(bytes, byte)) << int{byte};
  }
}

TEST(MatchRows, MatchLengthsAgree) {
  std::mt19937 rng(8);
  uint8_t a[18], b[18];
  for (int first_difference = 0; first_difference <= 18; ++first_difference) {
    for (int round = 0; round < 50; ++round) {
      for (int i = 0; i < 18; ++i) a[i] = b[i] = static_cast<uint8_t>(rng());
      // Differences after the first one must not change the answer.
      for (int i = first_difference; i < 18; ++i)
        if (i == first_difference || rng() % 2) b[i] = static_cast<uint8_t>(a[i] ^ (1u << (rng() % 8)));
      EXPECT_EQ(rows::portable::MatchLength(a, b), first_difference);
      EXPECT_EQ(rows::sse2::MatchLength(a, b), first_difference);
    }
  }
}

#endif
