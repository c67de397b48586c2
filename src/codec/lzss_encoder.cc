// The encoder, tuned: the same candidates, comparisons and chain updates as
// the plain transcription (lzss_plain_encoder.cc), so the same bytes, but
// candidates that cannot beat the current best are rejected on one byte,
// the others compared a machine word at a time, and the output is appended
// a group at a time.

#include "codec/lzss_encoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "codec/xor_mask.h"

namespace codec {
namespace {

constexpr int kNil = kRingSize;           // "no position" in the chains
constexpr int kHeadBase = kRingSize + 1;  // NextLink[kHeadBase + hash]: chain heads
constexpr int kGroupMax = 1 + 2 * 8;      // flag byte and eight references

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline uint16_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// The number of equal leading bytes of a and b, at most kMaxMatch (18).
// Little-endian: the lowest set bit of the difference is the first unequal
// byte.
inline int MatchLength(const uint8_t* a, const uint8_t* b) {
  uint64_t x = Load64(a) ^ Load64(b);
  if (x != 0) return __builtin_ctzll(x) >> 3;
  x = Load64(a + 8) ^ Load64(b + 8);
  if (x != 0) return 8 + (__builtin_ctzll(x) >> 3);
  const unsigned y = Load16(a + 16) ^ Load16(b + 16);
  if (y != 0) return 16 + (__builtin_ctz(y) >> 3);
  return kMaxMatch;
}

struct EncoderState {
  // Ring positions 0..4095, then a mirror of positions 0..17 so that a
  // comparison never wraps.
  alignas(64) uint8_t TextBuf[kRingSize + kMaxMatch + 14];
  alignas(64) int16_t PrevLink[kRingSize + 2];
  alignas(64) int16_t NextLink[2 * kRingSize + 2];
  alignas(64) uint8_t in[kBlockSize];
  alignas(64) uint8_t out[kBlockSize + kGroupMax];  // a group may run past a block
};

class Encoder {
 public:
  Encoder(const WriteFn& write, const CodecParams& params)
      : write_(write), params_(params), s_(std::make_unique_for_overwrite<EncoderState>()) {}

  bool Run(int32_t size, const ReadFn& read, int64_t* compLen, bool* stopped, std::string* err);

 private:
  int Hash(int r) const { return (s_->TextBuf[r] | (s_->TextBuf[r + 1] << 8)) & kRingMask; }

  void Unlink(int x) {
    int16_t* prev = s_->PrevLink;
    int16_t* next = s_->NextLink;
    const int16_t px = prev[x];
    const int16_t nx = next[x];
    next[px] = nx;
    prev[nx] = px;
    next[x] = kNil;
    prev[x] = kNil;
  }

  // Writes to PrevLink[kNil] when the chain was empty: that slot is never read.
  void Insert(int r) {
    const int head = kHeadBase + Hash(r);
    const int16_t old = s_->NextLink[head];
    s_->PrevLink[r] = static_cast<int16_t>(head);
    s_->NextLink[r] = old;
    s_->NextLink[head] = static_cast<int16_t>(r);
    s_->PrevLink[old] = static_cast<int16_t>(r);
  }

  // Appends one group; masks and writes the block once it is full.
  bool PutGroup(const uint8_t* g, int n, std::string* err) {
    std::memcpy(s_->out + out_, g, static_cast<size_t>(n));
    out_ += n;
    if (out_ < kBlockSize) return true;
    const int excess = out_ - kBlockSize;
    out_ = kBlockSize;
    if (!FlushBlock(err)) return false;
    std::memcpy(s_->out, s_->out + kBlockSize, static_cast<size_t>(excess));
    out_ = excess;
    return true;
  }

  bool FlushBlock(std::string* err) {
    if (out_ == 0) return true;
    MaskBlock(s_->out, out_, params_.code);
    if (!write_(s_->out, out_, err)) return false;
    written_ += out_;
    out_ = 0;
    return true;
  }

  const WriteFn& write_;
  const CodecParams& params_;
  std::unique_ptr<EncoderState> s_;
  int out_ = 0;
  int64_t written_ = 0;
};

bool Encoder::Run(int32_t size, const ReadFn& read, int64_t* compLen, bool* stopped,
                  std::string* err) {
  EncoderState& s = *s_;
  std::fill(std::begin(s.PrevLink), std::end(s.PrevLink), kNil);
  std::fill(std::begin(s.NextLink), std::end(s.NextLink), kNil);
  std::fill(std::begin(s.TextBuf), std::end(s.TextBuf), 0x20);

  uint8_t header[kHeaderSize];
  PutHeader(size, header);
  if (!write_(header, kHeaderSize, err)) return false;

  int64_t unread = size;
  int in_len = static_cast<int>(std::min<int64_t>(kBlockSize, unread));
  if (!read(s.in, in_len, err)) return false;
  unread -= in_len;
  if (params_.progress) params_.progress(in_len);

  const int first = std::min<int>(kMaxMatch, size);
  std::memcpy(s.TextBuf, s.in, static_cast<size_t>(first));
  std::memcpy(s.TextBuf + kRingSize, s.in, static_cast<size_t>(first));
  uint8_t* const text = s.TextBuf;
  int16_t* const next = s.NextLink;
  int16_t* const prev = s.PrevLink;
  int r = 0;
  int len = first;
  int k = first;
  uint8_t group[kGroupMax];
  int mask = 1;
  group[0] = 0;
  int ptr = 1;
  const int level = params_.level;

  while (len > 0) {
    int p = next[kHeadBase + Hash(r)];
    int best = 0;
    int bestpos = 0;
    const uint8_t* const cur = text + r;
    for (int count = 0; p != kNil && count <= level; ++count, p = next[p]) {
      // Only a candidate equal up to and including index best can be longer.
      if (text[p + best] != cur[best]) continue;
      const int i = MatchLength(text + p, cur);
      if (i > best) {
        best = std::min(i, len);
        bestpos = p;
        if (i == kMaxMatch) {
          Unlink(p);
          break;
        }
      }
    }

    if (mask == 0x100) {
      if (!PutGroup(group, ptr, err)) return false;
      mask = 1;
      group[0] = 0;
      ptr = 1;
    }
    if (best >= kMinMatch) {
      group[ptr] = static_cast<uint8_t>(bestpos);
      group[ptr + 1] = static_cast<uint8_t>(((bestpos >> 4) & 0xF0) | (best - kMinMatch));
      ptr += 2;
    } else {
      best = 1;
      group[ptr++] = *cur;
      group[0] |= static_cast<uint8_t>(mask);
    }
    mask <<= 1;

    for (int step = 0; step < best; ++step) {
      const int sp = (r + kMaxMatch) & kRingMask;
      if (prev[sp] != kNil) Unlink(sp);
      if (k < in_len) {
        const uint8_t c = s.in[k++];
        text[sp] = c;
        if (sp < kMaxMatch) text[sp + kRingSize] = c;
        if (k == in_len && unread > 0) {
          in_len = static_cast<int>(std::min<int64_t>(kBlockSize, unread));
          if (!read(s.in, in_len, err)) return false;
          unread -= in_len;
          k = 0;
          if (params_.progress) params_.progress(in_len);
          if (StopRequested(params_)) {
            *stopped = true;
            return true;
          }
        }
      } else {
        --len;
      }
      Insert(r);
      r = (r + 1) & kRingMask;
    }
  }

  if (!PutGroup(group, ptr, err) || !FlushBlock(err)) return false;
  *compLen = written_;
  return true;
}

}  // namespace

bool EncodeStream(int32_t size, const ReadFn& read, const WriteFn& write,
                  const CodecParams& params, int64_t* compLen, bool* stopped, std::string* err) {
  *compLen = 0;
  *stopped = false;
  if (!CheckCode(params.code, err)) return false;
  if (size <= 0) return true;
  Encoder enc(write, params);
  return enc.Run(size, read, compLen, stopped, err);
}

}  // namespace codec
