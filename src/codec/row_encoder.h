#pragma once
// The encoder, tuned. It writes the same items as the plain transcription
// the tests keep (tests/codec/oracle) but holds its state in another form:
//
// - History: the bytes are kept in a straight buffer (the last kRingSize
//   bytes before the current block, then the block) instead of the ring, so
//   the look-ahead costs no copying and comparisons never wrap. Ring positions
//   appear only in the output (index & kRingMask). Past the end of the input
//   the buffer holds what the ring would: the byte kRingSize back, or the
//   initial blank.
// - Chains: per hash a row of kSlots slots, filled round-robin, holds the
//   absolute index of the latest insertions and the two bytes after each
//   position's first (its key). A linked chain holds the positions of its
//   hash inserted in the last kWindow steps, most recent first, less those
//   unlinked by a full-length match; the row holds the newest of them in
//   slot order, so a search reads the newest level + 1 slots that are still
//   in the window. An unlinked position is taken out of its row (the newer
//   slots move down one); the position being searched joins the same row
//   right after, so a row never holds fewer than kSlots - 1 live positions
//   once it has been full, and levels up to kRowLevelMax are served exactly.
// - Search: the hash fixes a candidate's first byte, so only candidates with
//   the same key can reach kMinMatch; the others would lose to any of those
//   or leave a literal, so they are not compared. Bytes 3 and 4 of every
//   position are kept per slot as well, so matches of 3 and 4 bytes are
//   settled for the whole row at once; only candidates that agree in the
//   first five bytes are compared further, sixteen bytes at a time. Among
//   equal lengths the newest candidate wins, as in the chain walk.
//
// The encoder can start anywhere in a stream with empty chains (Begin) and
// encode up to any index (Encode), so a stream can be encoded in pieces by
// several encoders (parallel_encoder.cc). What it encodes from an index on
// depends only on the bytes and on the chains there: the positions of the
// last kWindow indexes, less those a full-length match took out.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "codec/encoder_input.h"
#include "codec/match_rows.h"

namespace codec {

// Searches this deep or less are served by the rows; deeper ones by the
// chain walk (ChainEncoder).
inline constexpr int kRowLevelMax = 30;

class RowEncoder {
 public:
  explicit RowEncoder(int16_t level);
  ~RowEncoder();
  RowEncoder(const RowEncoder&) = delete;
  RowEncoder& operator=(const RowEncoder&) = delete;

  // Places the encoder at index start of a stream of size bytes with empty
  // chains, reading the bytes from max(0, start - kRingSize) on: the first
  // read, of min(kBlockSize, what is left) bytes, is reported to in.Started.
  template <class Input>
  bool Begin(int32_t size, int32_t start, Input& in, std::string* err);
  // Where Begin's first read starts; later reads follow on.
  static int32_t ReadsFrom(int32_t /*size*/, int32_t start) { return std::max(0, start - kRingSize); }

  // Encodes items while index() < until (<= size), each into out.Literal or
  // out.Reference; before each read out.Reached learns where the items so
  // far end. Every read after Begin's is passed to in.AfterRead; when that
  // asks for a stop, Encode returns kStopped at once.
  template <class Input, class Output>
  EncodeStatus Encode(int32_t until, Input& in, Output& out, std::string* err);

  // The index of the next item.
  int32_t index() const { return index_; }

  // The rows and the history, about 1 MiB (kept in a pool between encoders).
  struct State;

 private:
  struct Match {
    int length = 0;
    int32_t at = 0;  // absolute index of the candidate
  };

  // Inlined into each Encode loop, and given the tables and the bytes as
  // arguments that the loop keeps in registers: a call per item, or
  // reloading members after every byte the output stores, costs the
  // one-stream encoder a tenth of its speed. bytes[i] is the byte of index i.
  [[gnu::always_inline]] static Match Search(State& s, const uint8_t* bytes, int level,
                                             const uint8_t* cur, int32_t index, int len);
  [[gnu::always_inline]] static void Insert(State& s, const uint8_t* bytes, int32_t index);
  static void Unlink(State& s, int h, int slot);
  void FillTail();
  template <class Input>
  bool ReadBlock(Input& in, std::string* err);

  const int level_;
  std::unique_ptr<State> s_;
  uint8_t* history_ = nullptr;
  const uint8_t* byte_ = nullptr;  // byte_[i]: the byte of absolute index i
  int32_t size_ = 0;
  int64_t base_ = 0;               // history_[i] holds the byte of index base_ + i
  int64_t unread_ = 0;             // bytes of the stream after data_end_
  int32_t data_end_ = 0;           // the stream is read up to here
  int32_t index_ = 0;              // absolute index of the byte being encoded
  int last_read_ = 0;              // bytes of the last read
};

namespace row_detail {

using rows::kSlots;

// Positions stay in a chain for this many insertions: the look-ahead
// overwrites the position kMaxMatch places ahead of the one it inserts.
inline constexpr int kWindow = kRingSize - kMaxMatch;
// The history buffer: what a search may look back at, the look-ahead that
// crossed into the next block, the block, and what a comparison may read
// past the input's end.
inline constexpr int kBehind = kRingSize + 2 * kMaxMatch;
inline constexpr int kTail = 64;

static_assert(kRowLevelMax + 1 < kSlots, "a row must hold level + 1 live positions");

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline uint32_t RotateLeft(uint32_t v, int n) { return n == 0 ? v : (v << n) | (v >> (32 - n)); }

}  // namespace row_detail

struct RowEncoder::State {
  alignas(64) int32_t Index[kRingSize][row_detail::kSlots];  // per hash: absolute indexes
  alignas(64) uint16_t Key[kRingSize][row_detail::kSlots];   // per hash: bytes 1 and 2 of each position
  alignas(64) uint8_t Byte3[kRingSize][row_detail::kSlots];  // per hash: byte 3 of each position
  alignas(64) uint8_t Byte4[kRingSize][row_detail::kSlots];  // per hash: byte 4 of each position
  // Per hash: insertions less unlinks. The next slot to fill is Count % kSlots;
  // min(Count, kSlots) slots hold positions (after an unlink in a full row
  // the oldest of them is a stale copy, deeper than any search reads).
  alignas(64) uint32_t Count[kRingSize];
  alignas(64) uint8_t history[row_detail::kBehind + kBlockSize + row_detail::kTail];
};

inline void RowEncoder::Insert(State& s, const uint8_t* bytes, int32_t index) {
  const uint64_t v = row_detail::Load64(bytes + index);
  const int h = static_cast<int>(v & kRingMask);
  const uint32_t count = s.Count[h];
  const uint32_t slot = count & (row_detail::kSlots - 1);
  s.Index[h][slot] = index;
  s.Key[h][slot] = static_cast<uint16_t>(v >> 8);
  s.Byte3[h][slot] = static_cast<uint8_t>(v >> 24);
  s.Byte4[h][slot] = static_cast<uint8_t>(v >> 32);
  s.Count[h] = count + 1;
}

// Takes a slot out of row h: the newer slots move down one.
inline void RowEncoder::Unlink(State& s, int h, int slot) {
  constexpr int kSlots = row_detail::kSlots;
  int32_t* const index = s.Index[h];
  uint16_t* const key = s.Key[h];
  const int head = static_cast<int>(s.Count[h] & (kSlots - 1));
  for (int q = slot, next = (q + 1) & (kSlots - 1); next != head; q = next, next = (q + 1) & (kSlots - 1)) {
    index[q] = index[next];
    key[q] = key[next];
    s.Byte3[h][q] = s.Byte3[h][next];
    s.Byte4[h][q] = s.Byte4[h][next];
  }
  --s.Count[h];
}

inline RowEncoder::Match RowEncoder::Search(State& s, const uint8_t* bytes, int level,
                                           const uint8_t* cur, int32_t index, int len) {
  using namespace row_detail;
  Match best;
  const uint32_t v = Load32(cur);
  const int h = static_cast<int>(v & kRingMask);
  const uint32_t count = s.Count[h];
  const int depth = std::min(static_cast<int>(std::min<uint32_t>(count, kSlots)), level + 1);
  if (depth <= 0) return best;
  const int head = static_cast<int>(count & (kSlots - 1));
  const int32_t* const index_row = s.Index[h];
  const int32_t oldest = index - kWindow;

  if (len < kMaxMatch) {
    // The last bytes of the input: lengths are clipped to the look-ahead, and
    // a later candidate may then replace an earlier one of the same clipped
    // length. Walk the candidates one by one as the chain walk does.
    for (int j = 0; j < depth; ++j) {
      const int slot = (head - 1 - j) & (kSlots - 1);
      if (index_row[slot] < oldest) break;
      const int i = rows::MatchLength(bytes + index_row[slot], cur);
      if (i > best.length) {
        best = {std::min(i, len), index_row[slot]};
        if (i == kMaxMatch) {
          Unlink(s, h, slot);
          break;
        }
      }
    }
    return best;
  }

  // Bit 31 - j stands for the j-th newest slot. The keys go first: rows of
  // incompressible data mostly hold none that could make a reference.
  const int turn = (kSlots - head) & (kSlots - 1);
  const auto newest = [](int n) { return ~(~0u >> n); };  // the n newest slots, 0 < n < 32
  uint32_t same = RotateLeft(rows::SameKey(s.Key[h], static_cast<uint16_t>(v >> 8)), turn) &
                  newest(depth);
  if (same == 0) return best;
  const uint32_t live = RotateLeft(rows::InWindow(index_row, oldest), turn);
  const int in_window = __builtin_clz(~live | 1u);  // newest slots still in the window
  if (in_window == 0) return best;
  same &= newest(in_window);
  if (same == 0) return best;
  // Candidates that differ in byte 3 match 3 bytes, in byte 4 match 4: the
  // newest of the longest is the answer unless one agrees further.
  const auto newest_of = [&](uint32_t bits) {
    return index_row[(head + 31 - __builtin_clz(bits)) & (kSlots - 1)];
  };
  const uint32_t four = same & RotateLeft(rows::SameByte(s.Byte3[h], cur[3]), turn);
  if (four == 0) return {kMinMatch, newest_of(same)};
  const uint32_t five = four & RotateLeft(rows::SameByte(s.Byte4[h], cur[4]), turn);
  if (five == 0) return {kMinMatch + 1, newest_of(four)};
  same = five;
  // The newest first: when it matches in full, the search ends there as the
  // chain walk's does (runs of one byte make that the common case).
  int top = 0;  // length << 5 | bit: the longest, then the newest
  auto consider = [&](int bit) {
    const int slot = (head + bit) & (kSlots - 1);
    top = std::max(top, (rows::MatchLength(bytes + index_row[slot], cur) << 5) | bit);
  };
  const int first = 31 - __builtin_clz(same);
  consider(first);
  if (top >> 5 != kMaxMatch) {
    for (same ^= 1u << first; same != 0; same &= same - 1) consider(__builtin_ctz(same));
  }
  const int slot = (head + (top & 31)) & (kSlots - 1);
  best = {top >> 5, index_row[slot]};
  if (best.length == kMaxMatch) Unlink(s, h, slot);
  return best;
}

// Past the input's end the history holds what the ring would there.
inline void RowEncoder::FillTail() {
  for (int32_t i = size_; i < size_ + row_detail::kTail; ++i)
    history_[i - base_] = i >= kRingSize ? history_[i - kRingSize - base_] : uint8_t{0x20};
}

// Reads the next piece of the stream behind what the history holds.
template <class Input>
bool RowEncoder::ReadBlock(Input& in, std::string* err) {
  const int n = static_cast<int>(std::min<int64_t>(kBlockSize, unread_));
  if (!in.Read(history_ + (data_end_ - base_), static_cast<size_t>(n), err)) return false;
  unread_ -= n;
  data_end_ += n;
  last_read_ = n;
  if (unread_ == 0) FillTail();
  return true;
}

template <class Input>
bool RowEncoder::Begin(int32_t size, int32_t start, Input& in, std::string* err) {
  std::memset(s_->Count, 0, sizeof s_->Count);
  size_ = size;
  base_ = ReadsFrom(size, start);
  data_end_ = static_cast<int32_t>(base_);
  unread_ = size - base_;
  history_ = s_->history;
  byte_ = history_ - base_;
  index_ = start;
  if (!ReadBlock(in, err)) return false;
  in.Started(last_read_);
  return true;
}

template <class Input, class Output>
EncodeStatus RowEncoder::Encode(int32_t until, Input& in, Output& out, std::string* err) {
  using namespace row_detail;
  // Kept in locals in the loop: stores through the byte tables could alias
  // the members.
  const int32_t size = size_;
  State& s = *s_;
  const int level = level_;
  const uint8_t* bytes = byte_;
  int32_t index = index_;
  // The next block is read once an item ends here or later.
  const auto refill_point = [&] { return unread_ > 0 ? data_end_ - kMaxMatch : INT32_MAX; };
  int32_t refill_at = refill_point();
  while (index < until) {
    const uint8_t* const cur = bytes + index;
    const Match m = Search(s, bytes, level, cur, index, std::min(kMaxMatch, size - index));
    int length = m.length;

    if (length >= kMinMatch) {
      if (!out.Reference(m.at & kRingMask, length, err)) return EncodeStatus::kFailed;
    } else {
      length = 1;
      if (!out.Literal(*cur, err)) return EncodeStatus::kFailed;
    }

    const int32_t next = index + length;
    // The ring's look-ahead takes byte i + kMaxMatch when it moves past byte
    // i; once it has taken the last byte read, the next block is read, with
    // the progress report and the stop check at that point.
    if (next >= refill_at) {
      const int64_t keep = std::max<int64_t>(base_, int64_t{index} - kRingSize);
      std::memmove(history_, history_ + (keep - base_), static_cast<size_t>(data_end_ - keep));
      base_ = keep;
      byte_ = history_ - base_;
      bytes = byte_;
      out.Reached(next);
      if (!ReadBlock(in, err)) return EncodeStatus::kFailed;
      refill_at = refill_point();
      if (in.AfterRead(last_read_)) {
        index_ = index;
        return EncodeStatus::kStopped;
      }
    }
    for (int32_t i = index; i < next; ++i) Insert(s, bytes, i);
    index = next;
  }
  index_ = index;
  return EncodeStatus::kDone;
}

}  // namespace codec
