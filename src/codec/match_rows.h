#pragma once
// The encoder's inner comparisons over one row of 32 candidate slots: which
// slots are still in the window, which share the key or a byte of the
// position being encoded, and how far a candidate matches. Each has a portable form and,
// where the processor has it, an SSE2 form that gives the same answers (the
// tests compare the two).

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QR_MATCH_ROWS_SSE2 1
#endif

namespace codec::rows {

inline constexpr int kSlots = 32;

namespace portable {

// Bit s set when index[s] >= oldest.
inline uint32_t InWindow(const int32_t* index, int32_t oldest) {
  uint32_t m = 0;
  for (int s = 0; s < kSlots; ++s) m |= static_cast<uint32_t>(index[s] >= oldest) << s;
  return m;
}

// Bit s set when keys[s] == key.
inline uint32_t SameKey(const uint16_t* keys, uint16_t key) {
  uint32_t m = 0;
  for (int s = 0; s < kSlots; ++s) m |= static_cast<uint32_t>(keys[s] == key) << s;
  return m;
}

// Bit s set when bytes[s] == byte.
inline uint32_t SameByte(const uint8_t* bytes, uint8_t byte) {
  uint32_t m = 0;
  for (int s = 0; s < kSlots; ++s) m |= static_cast<uint32_t>(bytes[s] == byte) << s;
  return m;
}

// The number of equal leading bytes of a and b, at most 18. Reads 18 bytes
// of each.
inline int MatchLength(const uint8_t* a, const uint8_t* b) {
  int i = 0;
  while (i < 18 && a[i] == b[i]) ++i;
  return i;
}

}  // namespace portable

#ifdef QR_MATCH_ROWS_SSE2
namespace sse2 {

inline __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

// The comparisons are packed down to one byte per slot, sixteen slots to a
// mask.
inline uint32_t InWindow(const int32_t* index, int32_t oldest) {
  const __m128i limit = _mm_set1_epi32(oldest - 1);
  uint32_t m = 0;
  for (int s = 0; s < kSlots; s += 16) {
    const __m128i a = _mm_packs_epi32(_mm_cmpgt_epi32(Load(index + s), limit),
                                      _mm_cmpgt_epi32(Load(index + s + 4), limit));
    const __m128i b = _mm_packs_epi32(_mm_cmpgt_epi32(Load(index + s + 8), limit),
                                      _mm_cmpgt_epi32(Load(index + s + 12), limit));
    m |= static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b))) << s;
  }
  return m;
}

inline uint32_t SameKey(const uint16_t* keys, uint16_t key) {
  const __m128i k = _mm_set1_epi16(static_cast<short>(key));
  uint32_t m = 0;
  for (int s = 0; s < kSlots; s += 16) {
    const __m128i lo = _mm_cmpeq_epi16(Load(keys + s), k);
    const __m128i hi = _mm_cmpeq_epi16(Load(keys + s + 8), k);
    m |= static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(lo, hi))) << s;
  }
  return m;
}

inline uint32_t SameByte(const uint8_t* bytes, uint8_t byte) {
  const __m128i k = _mm_set1_epi8(static_cast<char>(byte));
  const auto half = [&](int s) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load(bytes + s), k)));
  };
  return half(0) | half(16) << 16;
}

// Sixteen bytes at once; the last two only when the first sixteen agree.
inline int MatchLength(const uint8_t* a, const uint8_t* b) {
  const unsigned head = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load(a), Load(b))));
  if (head != 0xFFFF) return __builtin_ctz(~head);
  uint16_t x, y;
  std::memcpy(&x, a + 16, 2);
  std::memcpy(&y, b + 16, 2);
  const unsigned tail = x ^ y;
  return tail == 0 ? 18 : 16 + (__builtin_ctz(tail) >> 3);
}

}  // namespace sse2
using namespace sse2;
#else
using namespace portable;
#endif

}  // namespace codec::rows
