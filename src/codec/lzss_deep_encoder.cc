// The encoder for deep searches (levels above kRowLevelMax), where the rows
// of lzss_encoder.cc hold too few candidates. It writes the same bytes as the
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

#include "codec/lzss_deep_encoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "codec/group_writer.h"
#include "codec/match_rows.h"

namespace codec {
namespace {

// Positions stay in a chain for this many insertions: the look-ahead
// overwrites the position kMaxMatch places ahead of the one it inserts.
constexpr int kWindow = kRingSize - kMaxMatch;
// LastIndex of a hash never inserted: far enough back to be outside the
// window of any index, and to give a BackStep of kRingSize.
constexpr int32_t kNever = -2 * kRingSize;

struct EncoderState {
  // Ring positions 0..4095, then a mirror of positions 0..17 so that a
  // comparison never wraps.
  alignas(64) uint8_t TextBuf[kRingSize + kMaxMatch + 14];
  alignas(64) int32_t LastIndex[kRingSize];   // per hash
  alignas(64) uint16_t BackStep[kRingSize];   // per ring position, 1..kRingSize
  alignas(64) uint8_t in[kBlockSize];
};

class Encoder {
 public:
  Encoder(const WriteFn& write, const CodecParams& params)
      : write_(write), params_(params), s_(std::make_unique_for_overwrite<EncoderState>()) {}

  bool Run(int32_t size, const ReadFn& read, int64_t* compLen, bool* stopped, std::string* err);

 private:
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

  const WriteFn& write_;
  const CodecParams& params_;
  std::unique_ptr<EncoderState> s_;
};

bool Encoder::Run(int32_t size, const ReadFn& read, int64_t* compLen, bool* stopped,
                  std::string* err) {
  EncoderState& s = *s_;
  std::fill(std::begin(s.TextBuf), std::end(s.TextBuf), 0x20);
  std::fill(std::begin(s.LastIndex), std::end(s.LastIndex), kNever);

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
  const uint16_t* const back = s.BackStep;
  int32_t index = 0;  // absolute index of the byte being encoded
  int len = first;
  int k = first;
  GroupWriter out(write_, params_.code);
  const int level = params_.level;

  while (len > 0) {
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
      if (!out.Reference(bestpos, best, err)) return false;
    } else {
      best = 1;
      if (!out.Literal(*cur, err)) return false;
    }

    for (int step = 0; step < best; ++step) {
      const int sp = static_cast<int>((static_cast<uint32_t>(index) + kMaxMatch) & kRingMask);
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
      Insert(index);
      ++index;
    }
  }

  if (!out.Finish(err)) return false;
  *compLen = out.written();
  return true;
}

}  // namespace

bool EncodeStreamDeep(int32_t size, const ReadFn& read, const WriteFn& write,
                      const CodecParams& params, int64_t* compLen, bool* stopped,
                      std::string* err) {
  Encoder enc(write, params);
  return enc.Run(size, read, compLen, stopped, err);
}

}  // namespace codec
