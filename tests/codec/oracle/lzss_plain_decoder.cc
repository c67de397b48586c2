// The decoder as a direct transcription of the stream's rules: a ring of
// kRingSize bytes filled one decoded byte at a time. The reference for the
// tuned decoder (lzss_decoder.cc).

#include "lzss_plain.h"

#include <algorithm>
#include <memory>

#include "codec/codec_messages.h"
#include "codec/stream_checks.h"
#include "codec/xor_mask.h"

namespace codec {
namespace {

struct DecoderState {
  uint8_t TextBuf[kRingSize];
  uint8_t in[kBlockSize];
  uint8_t out[kBlockSize];
};

class Decoder {
 public:
  Decoder(const ReadFn& read, int64_t avail, const WriteFn& write, const CodecParams& params)
      : read_(read), write_(write), params_(params), avail_(avail),
        s_(std::make_unique<DecoderState>()) {}

  bool Run(int32_t size, bool* stopped, std::string* err);
  int64_t consumed() const { return consumed_; }

 private:
  // Takes the next compressed byte, reading and unmasking the next block
  // when the current one is used up.
  bool Take(uint8_t* c, std::string* err) {
    if (pos_ == block_len_) {
      if (consumed_ == avail_) {
        *err = msg::kTruncated;
        return false;
      }
      block_len_ = static_cast<int>(std::min<int64_t>(kBlockSize, avail_ - consumed_));
      if (!read_(s_->in, block_len_, err)) return false;
      MaskBlock(s_->in, block_len_, params_.code);
      pos_ = 0;
    }
    *c = s_->in[pos_++];
    ++consumed_;
    return true;
  }

  // Puts one decoded byte into the ring and, up to size, into the output.
  // Sets *halt when the stop request was seen at a full output buffer.
  bool Emit(uint8_t b, int32_t size, bool* halt, std::string* err) {
    s_->TextBuf[r_] = b;
    r_ = (r_ + 1) & kRingMask;
    if (++produced_ > size) return true;
    s_->out[out_++] = b;
    if (out_ == kBlockSize) {
      if (!write_(s_->out, out_, err)) return false;
      out_ = 0;
      if (params_.progress) params_.progress(kBlockSize);
      if (StopRequested(params_)) *halt = true;
    }
    return true;
  }

  const ReadFn& read_;
  const WriteFn& write_;
  const CodecParams& params_;
  const int64_t avail_;
  std::unique_ptr<DecoderState> s_;
  int64_t consumed_ = 0;
  int block_len_ = 0;
  int pos_ = 0;
  int64_t produced_ = 0;
  int r_ = 0;
  int out_ = 0;
};

bool Decoder::Run(int32_t size, bool* stopped, std::string* err) {
  std::fill(std::begin(s_->TextBuf), std::end(s_->TextBuf), 0);
  bool halt = false;
  int flags = 0;
  while (produced_ < size) {
    uint8_t c;
    flags >>= 1;
    if ((flags & 0x100) == 0) {
      if (!Take(&c, err)) return false;
      flags = c | 0xFF00;
    }
    if (flags & 1) {
      if (!Take(&c, err) || !Emit(c, size, &halt, err)) return false;
    } else {
      uint8_t b0, b1;
      if (!Take(&b0, err) || !Take(&b1, err)) return false;
      const int pos = b0 | ((b1 & 0xF0) << 4);
      const int len = (b1 & 0x0F) + kMinMatch;
      // Until the ring is full, only positions below produced_ are written;
      // an overlapping reference then only reads bytes it has just written.
      if (produced_ < kRingSize && pos >= produced_) {
        *err = msg::kBadReference;
        return false;
      }
      for (int t = 0; t < len; ++t) {
        if (!Emit(s_->TextBuf[(pos + t) & kRingMask], size, &halt, err)) return false;
        if (halt) break;
      }
    }
    if (halt) {
      *stopped = true;
      return true;
    }
  }
  if (out_ > 0) {
    if (!write_(s_->out, out_, err)) return false;
    if (params_.progress) params_.progress(out_);
  }
  return true;
}

}  // namespace

bool DecodeStreamPlain(const ReadFn& read, StreamExtent extent, const WriteFn& write,
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
