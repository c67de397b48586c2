// The decoder, tuned: the output buffer keeps the last kRingSize bytes of
// the previous block in front of it, so a reference is a copy from a
// distance behind the write position (ring positions are output indexes mod
// kRingSize, as kBlockSize is a multiple of kRingSize), done a word at a
// time when it does not overlap within a word. Groups that lie inside the
// current input block are decoded without per-byte input checks. Results
// equal the plain transcription the tests keep (tests/codec/oracle).

#include "codec/lzss_decoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "codec/codec_messages.h"
#include "codec/stream_checks.h"
#include "codec/xor_mask.h"

namespace codec {
namespace {

static_assert(kBlockSize % kRingSize == 0, "output indexes must map to ring positions");
constexpr int kGroupMax = 1 + 2 * 8;
constexpr int kCopySlack = 24;  // a reference is copied in whole words

struct DecoderState {
  alignas(64) uint8_t in[kBlockSize];
  // kRingSize bytes of history, the output block, room for the last copy.
  alignas(64) uint8_t buf[kRingSize + kBlockSize + kMaxMatch + kCopySlack];
};

inline void Copy8(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 8); }

class Decoder {
 public:
  Decoder(const ReadFn& read, int64_t avail, const WriteFn& write, const CodecParams& params)
      : read_(read), write_(write), params_(params), avail_(avail),
        s_(std::make_unique_for_overwrite<DecoderState>()) {}

  bool Run(int32_t size, bool* stopped, std::string* err);
  int64_t consumed() const { return block_start_ + pos_; }

 private:
  // Reads and unmasks the next input block; fails when the stream is used up.
  bool NextBlock(std::string* err) {
    block_start_ += block_len_;
    pos_ = 0;
    if (block_start_ == avail_) {
      block_len_ = 0;
      *err = msg::kTruncated;
      return false;
    }
    block_len_ = static_cast<int>(std::min<int64_t>(kBlockSize, avail_ - block_start_));
    if (!read_(s_->in, static_cast<size_t>(block_len_), err)) return false;
    MaskBlock(s_->in, static_cast<size_t>(block_len_), params_.code);
    return true;
  }

  template <bool kChecked>
  bool Take(uint8_t* c, std::string* err) {
    if (kChecked && pos_ == block_len_ && !NextBlock(err)) return false;
    *c = s_->in[pos_++];
    return true;
  }

  // Decodes the items of one group (flag byte already taken). kChecked:
  // every input byte is checked against the block's end. A full output
  // block is written as soon as an item completes it; *halt is set when the
  // stop request was seen then.
  template <bool kChecked>
  bool Group(unsigned flags, int32_t size, bool* halt, std::string* err);
  // Decodes one reference: takes its two bytes and copies.
  template <bool kChecked>
  bool Reference(int32_t size, std::string* err);

  // Writes a full output block, keeping its last kRingSize bytes as history.
  bool FlushFull(bool* halt, std::string* err) {
    uint8_t* out = s_->buf + kRingSize;
    if (!write_(out, kBlockSize, err)) return false;
    if (params_.progress) params_.progress(kBlockSize);
    std::memmove(s_->buf, s_->buf + kBlockSize, static_cast<size_t>(kRingSize + (o_ - kBlockSize)));
    o_ -= kBlockSize;
    if (StopRequested(params_)) *halt = true;
    return true;
  }

  const ReadFn& read_;
  const WriteFn& write_;
  const CodecParams& params_;
  const int64_t avail_;
  std::unique_ptr<DecoderState> s_;
  int64_t block_start_ = 0;  // compressed bytes before the current block
  int block_len_ = 0;
  int pos_ = 0;
  int64_t produced_ = 0;
  int o_ = 0;  // write index in the output block
};

template <bool kChecked>
bool Decoder::Group(unsigned flags, int32_t size, bool* halt, std::string* err) {
  uint8_t* const out = s_->buf + kRingSize;
  for (int bit = 0; bit < 8 && produced_ < size; ++bit, flags >>= 1) {
    if (flags & 1) {
      uint8_t c;
      if (!Take<kChecked>(&c, err)) return false;
      out[o_++] = c;
      ++produced_;
    } else {
      if (!Reference<kChecked>(size, err)) return false;
    }
    if (o_ >= kBlockSize) {
      if (!FlushFull(halt, err)) return false;
      if (*halt) return true;
    }
  }
  return true;
}

template <bool kChecked>
bool Decoder::Reference(int32_t size, std::string* err) {
  uint8_t b0, b1;
  if (!Take<kChecked>(&b0, err) || !Take<kChecked>(&b1, err)) return false;
  const int pos = b0 | ((b1 & 0xF0) << 4);
  // The distance back to the most recent byte at ring position pos.
  const int d = ((static_cast<int>(produced_ & kRingMask) - pos - 1) & kRingMask) + 1;
  if (d > produced_) {  // a position not written yet
    *err = msg::kBadReference;
    return false;
  }
  const int n = static_cast<int>(std::min<int64_t>((b1 & 0x0F) + kMinMatch, size - produced_));
  uint8_t* dst = s_->buf + kRingSize + o_;
  const uint8_t* src = dst - d;
  if (d >= 8) {
    // Each word reads only bytes written before it.
    Copy8(dst, src);
    Copy8(dst + 8, src + 8);
    if (n > 16) Copy8(dst + 16, src + 16);
  } else {
    for (int t = 0; t < n; ++t) dst[t] = src[t];
  }
  o_ += n;
  produced_ += n;
  return true;
}

bool Decoder::Run(int32_t size, bool* stopped, std::string* err) {
  bool halt = false;
  while (produced_ < size) {
    uint8_t flags;
    if (!Take<true>(&flags, err)) return false;
    const bool ok = block_len_ - pos_ >= kGroupMax - 1 ? Group<false>(flags, size, &halt, err)
                                                        : Group<true>(flags, size, &halt, err);
    if (!ok) return false;
    if (halt) {
      *stopped = true;
      return true;
    }
  }
  if (o_ > 0) {
    if (!write_(s_->buf + kRingSize, static_cast<size_t>(o_), err)) return false;
    if (params_.progress) params_.progress(o_);
  }
  return true;
}

}  // namespace

bool ReadStreamHeader(const ReadFn& read, StreamExtent extent, int32_t* size, std::string* err) {
  if (extent.bytes < kHeaderSize) {
    *err = msg::kHeaderCut;
    return false;
  }
  uint8_t h[kHeaderSize];
  if (!read(h, kHeaderSize, err)) return false;
  *size = GetHeader(h);
  if (*size < 0) {
    *err = msg::kNegativeSize;
    return false;
  }
  return true;
}

bool CheckStreamEnd(StreamExtent extent, int64_t consumed, bool stopped, std::string* err) {
  if (extent.exact && !stopped && consumed != extent.bytes - kHeaderSize) {
    *err = msg::kTrailingBytes;
    return false;
  }
  return true;
}

bool DecodeStream(const ReadFn& read, StreamExtent extent, const WriteFn& write,
                  const CodecParams& params, int32_t* size, bool* stopped, std::string* err) {
  *size = 0;
  *stopped = false;
  if (!CheckCode(params.code, err)) return false;
  int32_t n = 0;
  if (!ReadStreamHeader(read, extent, &n, err)) return false;
  *size = n;
  Decoder dec(read, extent.bytes - kHeaderSize, write, params);
  if (!dec.Run(n, stopped, err)) return false;
  return CheckStreamEnd(extent, dec.consumed(), *stopped, err);
}

}  // namespace codec
