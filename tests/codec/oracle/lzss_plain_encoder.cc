// The encoder as a direct transcription of the stream's rules: doubly
// linked hash chains over the ring, searched and updated one byte at a time.
// The reference for the tuned encoder (lzss_encoder.cc).

#include "lzss_plain.h"

#include <algorithm>
#include <memory>

#include "codec/xor_mask.h"

namespace codec {
namespace {

constexpr int kNil = kRingSize;             // "no position" in the chains
constexpr int kHeadBase = kRingSize + 1;    // NextLink[kHeadBase + hash]: chain heads

// The working storage of one encode. TextBuf positions kRingSize..
// kRingSize + kMaxMatch - 1 mirror positions 0..kMaxMatch - 1 so that a
// comparison of kMaxMatch bytes never wraps.
struct EncoderState {
  uint8_t TextBuf[kRingSize + kMaxMatch + 1];
  int16_t PrevLink[kRingSize + 2];
  int16_t NextLink[2 * kRingSize + 2];
  uint8_t CodeBuf[1 + 2 * 8];
  uint8_t in[kBlockSize];
  uint8_t out[kBlockSize];
};

class Encoder {
 public:
  Encoder(const WriteFn& write, const CodecParams& params)
      : write_(write), params_(params), s_(std::make_unique<EncoderState>()) {}

  bool Run(int32_t size, const ReadFn& read, int64_t* compLen, bool* stopped, std::string* err);

 private:
  int Hash(int r) const { return (s_->TextBuf[r] | (s_->TextBuf[r + 1] << 8)) & kRingMask; }

  void Unlink(int x) {
    int16_t* prev = s_->PrevLink;
    int16_t* next = s_->NextLink;
    next[prev[x]] = next[x];
    prev[next[x]] = prev[x];
    next[x] = kNil;
    prev[x] = kNil;
  }

  void Insert(int r) {
    const int head = kHeadBase + Hash(r);
    const int16_t old = s_->NextLink[head];
    s_->PrevLink[r] = static_cast<int16_t>(head);
    s_->NextLink[r] = old;
    s_->NextLink[head] = static_cast<int16_t>(r);
    if (old != kNil) s_->PrevLink[old] = static_cast<int16_t>(r);
  }

  // Appends bytes to the output buffer, masking and writing every full block.
  bool Put(const uint8_t* p, int n, std::string* err) {
    for (int i = 0; i < n; ++i) {
      s_->out[out_++] = p[i];
      if (out_ == kBlockSize && !FlushBlock(err)) return false;
    }
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

  int64_t unread = size;  // bytes of the input not yet read into the buffer
  int in_len = static_cast<int>(std::min<int64_t>(kBlockSize, unread));
  if (!read(s.in, in_len, err)) return false;
  unread -= in_len;
  if (params_.progress) params_.progress(in_len);

  const int first = std::min<int>(kMaxMatch, size);
  std::copy(s.in, s.in + first, s.TextBuf);
  std::copy(s.in, s.in + first, s.TextBuf + kRingSize);
  int r = 0;        // ring position being encoded
  int len = first;  // bytes in the look-ahead
  int k = first;    // next unused byte of the input buffer
  int mask = 1;
  s.CodeBuf[0] = 0;
  int ptr = 1;
  const int level = params_.level;

  while (len > 0) {
    // Search the chain of r's hash, most recent position first.
    int p = s.NextLink[kHeadBase + Hash(r)];
    int best = 0;
    int bestpos = 0;
    for (int count = 0; p != kNil && count <= level; ++count) {
      int i = 0;
      while (i < kMaxMatch && s.TextBuf[p + i] == s.TextBuf[r + i]) ++i;
      if (i > best) {
        best = std::min(i, len);
        bestpos = p;
        if (i == kMaxMatch) {
          Unlink(p);
          break;
        }
      }
      p = s.NextLink[p];
    }

    if (mask == 0x100) {
      if (!Put(s.CodeBuf, ptr, err)) return false;
      mask = 1;
      s.CodeBuf[0] = 0;
      ptr = 1;
    }
    if (best >= kMinMatch) {
      s.CodeBuf[ptr] = static_cast<uint8_t>(bestpos & 0xFF);
      s.CodeBuf[ptr + 1] = static_cast<uint8_t>(((bestpos >> 4) & 0xF0) | (best - kMinMatch));
      ptr += 2;
    } else {
      best = 1;
      s.CodeBuf[ptr] = s.TextBuf[r];
      s.CodeBuf[0] |= static_cast<uint8_t>(mask);
      ptr += 1;
    }
    mask <<= 1;

    for (int step = 0; step < best; ++step) {
      const int sp = (r + kMaxMatch) & kRingMask;
      if (s.PrevLink[sp] != kNil) Unlink(sp);
      if (k < in_len) {
        const uint8_t c = s.in[k++];
        s.TextBuf[sp] = c;
        if (sp < kMaxMatch) s.TextBuf[sp + kRingSize] = c;
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

  if (!Put(s.CodeBuf, ptr, err) || !FlushBlock(err)) return false;
  *compLen = written_;
  return true;
}

}  // namespace

bool EncodeStreamPlain(int32_t size, const ReadFn& read, const WriteFn& write,
                       const CodecParams& params, int64_t* compLen, bool* stopped,
                       std::string* err) {
  *compLen = 0;
  *stopped = false;
  if (!CheckCode(params.code, err)) return false;
  if (size <= 0) return true;
  Encoder enc(write, params);
  return enc.Run(size, read, compLen, stopped, err);
}

}  // namespace codec
