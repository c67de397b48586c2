#include "platform/upper_case.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace platform {
namespace {

// first, first+step, ..., last map to themselves plus delta (modulo 2^16,
// so that every delta fits in 16 bits: the setup program carries the table).
struct CaseRun {
  constexpr CaseRun(uint16_t f, uint16_t l, int d, uint8_t s)
      : first(f), last(l), delta(static_cast<uint16_t>(d)), step(s) {}
  uint16_t first;
  uint16_t last;
  uint16_t delta;
  uint8_t step;
};

constexpr CaseRun kCaseRuns[] = {
#include "platform/upper_case_table.inc"
};

}  // namespace

char16_t UpperCaseUnit(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  // The last run starting at or before c.
  const CaseRun* run = std::upper_bound(std::begin(kCaseRuns), std::end(kCaseRuns), c,
                                        [](char16_t v, const CaseRun& r) { return v < r.first; });
  if (run == std::begin(kCaseRuns)) return c;
  --run;
  if (c > run->last || (c - run->first) % run->step != 0) return c;
  return static_cast<char16_t>(c + run->delta);
}

std::u16string UpperCaseKey(std::u16string_view text) {
  std::u16string key(text);
  for (char16_t& c : key) c = UpperCaseUnit(c);
  return key;
}

bool SameUpperCaseKey(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return UpperCaseUnit(x) == UpperCaseUnit(y); });
}

}  // namespace platform
