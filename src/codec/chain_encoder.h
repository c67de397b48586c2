#pragma once
// The encoder for deep searches (levels above kRowLevelMax), where the rows
// of RowEncoder hold too few candidates. It writes the same items as the
// plain transcription the tests keep (tests/codec/oracle), which keeps the chains as
// doubly linked lists of ring positions, but it holds the same chains in
// another form:
//
// - A linked chain holds, most recent first, the positions of one hash
//   inserted in the last kWindow steps (older ones were unlinked when the
//   look-ahead overwrote them), less those unlinked by a full-length match.
// - Here every insertion records the absolute index of the byte, per hash
//   the index of the latest insertion (LastIndex) and per ring position the
//   distance back to the insertion before it with the same hash (BackStep).
//   A chain is walked by stepping back until an index leaves the window. A
//   position unlinked by a full-length match is stepped over from then on
//   (its predecessor's step grows by its own). Nothing needs unlinking when
//   the look-ahead overwrites a position: its index has left the window.
//
// Candidates that cannot beat the current best are rejected on one byte,
// the others compared sixteen bytes at a time.
//
// Like RowEncoder it can start anywhere in a stream with empty chains
// (Begin) and encode up to any index (Encode).

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "codec/encoder_input.h"
#include "codec/match_rows.h"

namespace codec {

class ChainEncoder {
 public:
  explicit ChainEncoder(int16_t level)
      : level_(level), s_(std::make_unique_for_overwrite<State>()) {}

  // Places the encoder at index start of a stream of size bytes with empty
  // chains and the ring as the stream left it there; the first read, of
  // min(kBlockSize, what is left) bytes from max(0, start + kMaxMatch -
  // kRingSize) on, is reported to in.Started.
  template <class Input>
  bool Begin(int32_t size, int32_t start, Input& in, std::string* err);
  // Where Begin's first read starts; later reads follow on.
  static int32_t ReadsFrom(int32_t size, int32_t start) {
    return std::max(0, std::min(size, start + kMaxMatch) - kRingSize);
  }

  // Encodes items while index() < until (<= size); see RowEncoder::Encode.
  template <class Input, class Output>
  EncodeStatus Encode(int32_t until, Input& in, Output& out, std::string* err);

  int32_t index() const { return index_; }

 private:
  // Positions stay in a chain for this many insertions: the look-ahead
  // overwrites the position kMaxMatch places ahead of the one it inserts.
  static constexpr int kWindow = kRingSize - kMaxMatch;
  // LastIndex of a hash never inserted: far enough back to be outside the
  // window of any index, and to give a BackStep of kRingSize.
  static constexpr int32_t kNever = -2 * kRingSize;

  struct State {
    // Ring positions 0..4095, then a mirror of positions 0..17 so that a
    // comparison never wraps.
    alignas(64) uint8_t TextBuf[kRingSize + kMaxMatch + 14];
    alignas(64) int32_t LastIndex[kRingSize];  // per hash
    alignas(64) uint16_t BackStep[kRingSize];  // per ring position, 1..kRingSize
    alignas(64) uint8_t in[kBlockSize];
  };

  int Hash(int r) const { return (s_->TextBuf[r] | (s_->TextBuf[r + 1] << 8)) & kRingMask; }

  // Inserts the byte at absolute index at the head of its chain.
  void Insert(int32_t index) {
    const int r = index & kRingMask;
    const int h = Hash(r);
    const int64_t step = int64_t{index} - s_->LastIndex[h];
    s_->BackStep[r] = static_cast<uint16_t>(std::min<int64_t>(step, kRingSize));
    s_->LastIndex[h] = index;
  }

  // Takes the position at index t out of the chain of hash h; newer is the
  // index of the chain's position before it, or -1 when t is the head.
  void Remove(int h, int32_t newer, int32_t t) {
    const int step = s_->BackStep[t & kRingMask];
    if (newer < 0) {
      s_->LastIndex[h] = t - step;
    } else {
      uint16_t& back = s_->BackStep[newer & kRingMask];
      back = static_cast<uint16_t>(std::min(back + step, kRingSize));
    }
  }

  const int level_;
  std::unique_ptr<State> s_;
  int32_t index_ = 0;  // absolute index of the byte being encoded
  int len_ = 0;        // bytes in the look-ahead
  int k_ = 0;          // next unused byte of the input buffer
  int in_len_ = 0;     // bytes in the input buffer
  int64_t unread_ = 0; // bytes of the stream not yet read
};

template <class Input>
bool ChainEncoder::Begin(int32_t size, int32_t start, Input& in, std::string* err) {
  State& s = *s_;
  std::fill(std::begin(s.TextBuf), std::end(s.TextBuf), 0x20);
  std::fill(std::begin(s.LastIndex), std::end(s.LastIndex), kNever);
  // The ring holds the look-ahead and the bytes before it, as far as the
  // stream has them.
  const int32_t ahead = std::min(size, start + kMaxMatch);
  const int32_t from = ReadsFrom(size, start);
  unread_ = size - from;
  in_len_ = static_cast<int>(std::min<int64_t>(kBlockSize, unread_));
  if (!in.Read(s.in, static_cast<size_t>(in_len_), err)) return false;
  unread_ -= in_len_;
  in.Started(in_len_);
  for (int32_t i = from; i < ahead; ++i) {
    const int r = i & kRingMask;
    s.TextBuf[r] = s.in[i - from];
    if (r < kMaxMatch) s.TextBuf[r + kRingSize] = s.in[i - from];
  }
  k_ = ahead - from;
  len_ = ahead - start;
  index_ = start;
  return true;
}

template <class Input, class Output>
EncodeStatus ChainEncoder::Encode(int32_t until, Input& in, Output& out, std::string* err) {
  State& s = *s_;
  uint8_t* const text = s.TextBuf;
  const uint16_t* const back = s.BackStep;
  int32_t index = index_;
  int len = len_;
  int k = k_;
  int in_len = in_len_;
  int64_t unread = unread_;
  const int level = level_;
  const auto save = [&] {
    index_ = index;
    len_ = len;
    k_ = k;
    in_len_ = in_len;
    unread_ = unread;
  };

  while (index < until) {
    const int r = index & kRingMask;
    const uint8_t* const cur = text + r;
    const int32_t oldest = index - kWindow;
    const int h = Hash(r);
    int32_t t = s.LastIndex[h];
    int32_t newer = -1;
    int best = 0;
    int bestpos = 0;
    for (int count = 0; t >= oldest && count <= level; ++count, newer = t, t -= back[t & kRingMask]) {
      const int p = t & kRingMask;
      // Only a candidate equal up to and including index best can be longer.
      if (text[p + best] != cur[best]) continue;
      const int i = rows::MatchLength(text + p, cur);
      if (i > best) {
        best = std::min(i, len);
        bestpos = p;
        if (i == kMaxMatch) {
          Remove(h, newer, t);
          break;
        }
      }
    }

    if (best >= kMinMatch) {
      if (!out.Reference(bestpos, best, err)) return EncodeStatus::kFailed;
    } else {
      best = 1;
      if (!out.Literal(*cur, err)) return EncodeStatus::kFailed;
    }

    const int32_t item_end = index + best;
    for (int step = 0; step < best; ++step) {
      const int sp = static_cast<int>((static_cast<uint32_t>(index) + kMaxMatch) & kRingMask);
      if (k < in_len) {
        const uint8_t c = s.in[k++];
        text[sp] = c;
        if (sp < kMaxMatch) text[sp + kRingSize] = c;
        if (k == in_len && unread > 0) {
          out.Reached(item_end);
          in_len = static_cast<int>(std::min<int64_t>(kBlockSize, unread));
          if (!in.Read(s.in, static_cast<size_t>(in_len), err)) return EncodeStatus::kFailed;
          unread -= in_len;
          k = 0;
          if (in.AfterRead(in_len)) {
            save();
            return EncodeStatus::kStopped;
          }
        }
      } else {
        --len;
      }
      Insert(index);
      ++index;
    }
  }
  save();
  return EncodeStatus::kDone;
}

}  // namespace codec
