// The encoder, tuned. It writes the same bytes as the plain transcription
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

#include "codec/lzss_encoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "codec/group_writer.h"
#include "codec/lzss_deep_encoder.h"
#include "codec/match_rows.h"
#include "codec/xor_mask.h"

namespace codec {
namespace {

using rows::kSlots;

// Positions stay in a chain for this many insertions: the look-ahead
// overwrites the position kMaxMatch places ahead of the one it inserts.
constexpr int kWindow = kRingSize - kMaxMatch;
// The history buffer: what a search may look back at, the look-ahead that
// crossed into the next block, the block, and what a comparison may read
// past the input's end.
constexpr int kBehind = kRingSize + 2 * kMaxMatch;
constexpr int kTail = 64;

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

struct EncoderState {
  alignas(64) int32_t Index[kRingSize][kSlots];  // per hash: absolute indexes
  alignas(64) uint16_t Key[kRingSize][kSlots];   // per hash: bytes 1 and 2 of each position
  alignas(64) uint8_t Byte3[kRingSize][kSlots];   // per hash: byte 3 of each position
  alignas(64) uint8_t Byte4[kRingSize][kSlots];   // per hash: byte 4 of each position
  // Per hash: insertions less unlinks. The next slot to fill is Count % kSlots;
  // min(Count, kSlots) slots hold positions (after an unlink in a full row
  // the oldest of them is a stale copy, deeper than any search reads).
  alignas(64) uint32_t Count[kRingSize];
  alignas(64) uint8_t history[kBehind + kBlockSize + kTail];
};

// States are kept between streams, a few for the whole process: the rows
// are large, and a build encodes many small files on a few threads at once.
class SpareStates {
 public:
  std::unique_ptr<EncoderState> Take() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (!spare_.empty()) {
        std::unique_ptr<EncoderState> s = std::move(spare_.back());
        spare_.pop_back();
        return s;
      }
    }
    return std::make_unique<EncoderState>();
  }
  void Give(std::unique_ptr<EncoderState> s) {
    std::lock_guard<std::mutex> lock(mu_);
    if (spare_.size() < kKept) spare_.push_back(std::move(s));
  }

 private:
  static constexpr size_t kKept = 8;
  std::mutex mu_;
  std::vector<std::unique_ptr<EncoderState>> spare_;
};

SpareStates& Spares() {
  static SpareStates spares;
  return spares;
}

class Encoder {
 public:
  Encoder(const WriteFn& write, const CodecParams& params)
      : write_(write), params_(params), s_(Spares().Take()) {}
  ~Encoder() { Spares().Give(std::move(s_)); }

  bool Run(int32_t size, const ReadFn& read, int64_t* compLen, bool* stopped, std::string* err);

 private:
  struct Match {
    int length = 0;
    int32_t at = 0;  // absolute index of the candidate
  };

  // The best candidate for the position at index, whose bytes start at cur;
  // len is the look-ahead. Unlinks a candidate that matches in full.
  Match Search(const uint8_t* cur, int32_t index, int len);

  void Insert(int32_t index) {
    const uint64_t v = Load64(byte_ + index);
    const int h = static_cast<int>(v & kRingMask);
    const uint32_t count = s_->Count[h];
    const uint32_t slot = count & (kSlots - 1);
    s_->Index[h][slot] = index;
    s_->Key[h][slot] = static_cast<uint16_t>(v >> 8);
    s_->Byte3[h][slot] = static_cast<uint8_t>(v >> 24);
    s_->Byte4[h][slot] = static_cast<uint8_t>(v >> 32);
    s_->Count[h] = count + 1;
  }

  // Takes a slot out of row h: the newer slots move down one.
  void Unlink(int h, int slot) {
    int32_t* const index = s_->Index[h];
    uint16_t* const key = s_->Key[h];
    const int head = static_cast<int>(s_->Count[h] & (kSlots - 1));
    for (int q = slot, next = (q + 1) & (kSlots - 1); next != head; q = next, next = (q + 1) & (kSlots - 1)) {
      index[q] = index[next];
      key[q] = key[next];
      s_->Byte3[h][q] = s_->Byte3[h][next];
      s_->Byte4[h][q] = s_->Byte4[h][next];
    }
    --s_->Count[h];
  }

  const WriteFn& write_;
  const CodecParams& params_;
  std::unique_ptr<EncoderState> s_;
  const uint8_t* byte_ = nullptr;  // byte_[i]: the byte of absolute index i
};

Encoder::Match Encoder::Search(const uint8_t* cur, int32_t index, int len) {
  Match best;
  const uint32_t v = Load32(cur);
  const int h = static_cast<int>(v & kRingMask);
  const uint32_t count = s_->Count[h];
  const int depth = std::min(static_cast<int>(std::min<uint32_t>(count, kSlots)), params_.level + 1);
  if (depth <= 0) return best;
  const int head = static_cast<int>(count & (kSlots - 1));
  const int32_t* const index_row = s_->Index[h];
  const int32_t oldest = index - kWindow;

  if (len < kMaxMatch) {
    // The last bytes of the input: lengths are clipped to the look-ahead, and
    // a later candidate may then replace an earlier one of the same clipped
    // length. Walk the candidates one by one as the chain walk does.
    for (int j = 0; j < depth; ++j) {
      const int slot = (head - 1 - j) & (kSlots - 1);
      if (index_row[slot] < oldest) break;
      const int i = rows::MatchLength(byte_ + index_row[slot], cur);
      if (i > best.length) {
        best = {std::min(i, len), index_row[slot]};
        if (i == kMaxMatch) {
          Unlink(h, slot);
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
  uint32_t same = RotateLeft(rows::SameKey(s_->Key[h], static_cast<uint16_t>(v >> 8)), turn) &
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
  const uint32_t four = same & RotateLeft(rows::SameByte(s_->Byte3[h], cur[3]), turn);
  if (four == 0) return {kMinMatch, newest_of(same)};
  const uint32_t five = four & RotateLeft(rows::SameByte(s_->Byte4[h], cur[4]), turn);
  if (five == 0) return {kMinMatch + 1, newest_of(four)};
  same = five;
  // The newest first: when it matches in full, the search ends there as the
  // chain walk's does (runs of one byte make that the common case).
  int top = 0;  // length << 5 | bit: the longest, then the newest
  auto consider = [&](int bit) {
    const int slot = (head + bit) & (kSlots - 1);
    top = std::max(top, (rows::MatchLength(byte_ + index_row[slot], cur) << 5) | bit);
  };
  const int first = 31 - __builtin_clz(same);
  consider(first);
  if (top >> 5 != kMaxMatch) {
    for (same ^= 1u << first; same != 0; same &= same - 1) consider(__builtin_ctz(same));
  }
  const int slot = (head + (top & 31)) & (kSlots - 1);
  best = {top >> 5, index_row[slot]};
  if (best.length == kMaxMatch) Unlink(h, slot);
  return best;
}

bool Encoder::Run(int32_t size, const ReadFn& read, int64_t* compLen, bool* stopped,
                  std::string* err) {
  EncoderState& s = *s_;
  std::memset(s.Count, 0, sizeof s.Count);

  uint8_t header[kHeaderSize];
  PutHeader(size, header);
  if (!write_(header, kHeaderSize, err)) return false;

  // history[i] holds the byte of absolute index base + i; the input is read
  // up to data_end.
  uint8_t* const history = s.history;
  int64_t base = 0;
  int64_t unread = size;
  int32_t data_end = static_cast<int32_t>(std::min<int64_t>(kBlockSize, unread));
  if (!read(history, static_cast<size_t>(data_end), err)) return false;
  unread -= data_end;
  if (params_.progress) params_.progress(data_end);
  byte_ = history;
  auto fill_tail = [&] {
    for (int32_t i = size; i < size + kTail; ++i)
      history[i - base] = i >= kRingSize ? history[i - kRingSize - base] : uint8_t{0x20};
  };
  if (unread == 0) fill_tail();

  int32_t index = 0;  // absolute index of the byte being encoded
  GroupWriter out(write_, params_.code);

  while (index < size) {
    const uint8_t* const cur = byte_ + index;
    const Match m = Search(cur, index, std::min(kMaxMatch, size - index));
    int length = m.length;

    if (length >= kMinMatch) {
      if (!out.Reference(m.at & kRingMask, length, err)) return false;
    } else {
      length = 1;
      if (!out.Literal(*cur, err)) return false;
    }

    const int32_t next = index + length;
    // The ring's look-ahead takes byte i + kMaxMatch when it moves past byte
    // i; once it has taken the last byte read, the next block is read, with
    // the progress report and the stop check at that point.
    if (unread > 0 && next + kMaxMatch >= data_end) {
      const int64_t keep = std::max<int64_t>(base, int64_t{index} - kRingSize);
      std::memmove(history, history + (keep - base), static_cast<size_t>(data_end - keep));
      base = keep;
      byte_ = history - base;
      const int n = static_cast<int>(std::min<int64_t>(kBlockSize, unread));
      if (!read(history + (data_end - base), static_cast<size_t>(n), err)) return false;
      unread -= n;
      data_end += n;
      if (unread == 0) fill_tail();
      if (params_.progress) params_.progress(n);
      if (StopRequested(params_)) {
        *stopped = true;
        return true;
      }
    }
    for (int32_t i = index; i < next; ++i) Insert(i);
    index = next;
  }

  if (!out.Finish(err)) return false;
  *compLen = out.written();
  return true;
}

}  // namespace

bool EncodeStream(int32_t size, const ReadFn& read, const WriteFn& write,
                  const CodecParams& params, int64_t* compLen, bool* stopped, std::string* err) {
  *compLen = 0;
  *stopped = false;
  if (!CheckCode(params.code, err)) return false;
  if (size <= 0) return true;
  if (params.level > kRowLevelMax) return EncodeStreamDeep(size, read, write, params, compLen, stopped, err);
  Encoder enc(write, params);
  return enc.Run(size, read, compLen, stopped, err);
}

}  // namespace codec
