#include "package/solid_frame.h"

#define ZSTD_STATIC_LINKING_ONLY  // ZSTD_getFrameHeader
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>

#include "package/layout.h"
#include "package/messages.h"

namespace package {
namespace {

bool Refuse(const char* what, std::string* err) {
  if (err) *err = what;
  return false;
}

}  // namespace

bool CheckSolidFrameHeader(const uint8_t* head, size_t n, int64_t content_size, std::string* err) {
  ZSTD_frameHeader h;
  size_t r = ZSTD_getFrameHeader(&h, head, n);
  if (ZSTD_isError(r) || r != 0 || h.frameType != ZSTD_frame) return Refuse(msg::kFrameNotZstd, err);
  if (h.windowSize > (uint64_t{1} << kSolidWindowLogMax)) return Refuse(msg::kFrameWindowTooLarge, err);
  if (h.dictID != 0) return Refuse(msg::kFrameNeedsDictionary, err);
  if (h.frameContentSize != ZSTD_CONTENTSIZE_UNKNOWN &&
      h.frameContentSize != static_cast<unsigned long long>(content_size))
    return Refuse(msg::kFrameContentSize, err);
  return true;
}

struct SolidFrameDecoder::Context {
  ZSTD_DCtx* dctx = ZSTD_createDCtx();
  ~Context() { ZSTD_freeDCtx(dctx); }
};

SolidFrameDecoder::SolidFrameDecoder() : ctx_(std::make_unique<Context>()) {
  if (ctx_->dctx) ZSTD_DCtx_setParameter(ctx_->dctx, ZSTD_d_windowLogMax, kSolidWindowLogMax);
  in_.resize(ZSTD_DStreamInSize());
}

SolidFrameDecoder::~SolidFrameDecoder() = default;

bool SolidFrameDecoder::Start(codec::ReadFn read, int64_t comp_len, int64_t content_size,
                              std::string* err) {
  if (!ctx_->dctx) return Refuse(msg::kFrameUndecodable, err);
  ZSTD_DCtx_reset(ctx_->dctx, ZSTD_reset_session_only);
  read_ = std::move(read);
  comp_left_ = comp_len;
  content_left_ = content_size;
  in_pos_ = in_size_ = 0;
  frame_ended_ = false;
  source_failed_ = false;
  if (!Refill(err)) return false;
  return CheckSolidFrameHeader(in_.data(), std::min(in_size_, kSolidFrameHeaderMax), content_size,
                               err);
}

bool SolidFrameDecoder::Refill(std::string* err) {
  size_t n = static_cast<size_t>(std::min<int64_t>(comp_left_, static_cast<int64_t>(in_.size())));
  if (!read_(in_.data(), n, err)) {
    source_failed_ = true;
    return false;
  }
  comp_left_ -= static_cast<int64_t>(n);
  in_pos_ = 0;
  in_size_ = n;
  return true;
}

// Decodes up to n bytes; *produced < n only when the frame ended or its
// bytes ran out first.
bool SolidFrameDecoder::Decode(uint8_t* out, size_t n, size_t* produced, std::string* err) {
  ZSTD_outBuffer o{out, n, 0};
  while (o.pos < n && !frame_ended_) {
    if (in_pos_ == in_size_ && comp_left_ > 0 && !Refill(err)) return false;
    ZSTD_inBuffer i{in_.data(), in_size_, in_pos_};
    size_t before_in = i.pos, before_out = o.pos;
    size_t r = ZSTD_decompressStream(ctx_->dctx, &o, &i);
    in_pos_ = i.pos;
    if (ZSTD_isError(r)) {
      return Refuse(ZSTD_getErrorCode(r) == ZSTD_error_frameParameter_windowTooLarge
                        ? msg::kFrameWindowTooLarge
                        : msg::kFrameUndecodable,
                    err);
    }
    if (r == 0) frame_ended_ = true;
    // Nothing moved and nothing more to read: the frame is cut short.
    bool stuck = i.pos == before_in && o.pos == before_out;
    if (stuck && !frame_ended_ && (comp_left_ == 0 || in_pos_ < in_size_)) break;
  }
  *produced = o.pos;
  return true;
}

bool SolidFrameDecoder::Read(uint8_t* out, size_t n, std::string* err) {
  source_failed_ = false;
  if (static_cast<int64_t>(n) > content_left_) return Refuse(msg::kFrameLonger, err);
  size_t produced = 0;
  if (!Decode(out, n, &produced, err)) return false;
  if (produced < n) return Refuse(frame_ended_ ? msg::kFrameShorter : msg::kFrameNotZstd, err);
  content_left_ -= static_cast<int64_t>(n);
  return true;
}

bool SolidFrameDecoder::Finish(std::string* err) {
  source_failed_ = false;
  if (content_left_ != 0) return Refuse(msg::kFrameShorter, err);
  uint8_t extra = 0;
  size_t produced = 0;
  if (!Decode(&extra, 1, &produced, err)) return false;
  if (produced != 0) return Refuse(msg::kFrameLonger, err);
  if (!frame_ended_) return Refuse(msg::kFrameNotZstd, err);
  if (in_pos_ != in_size_ || comp_left_ != 0) return Refuse(msg::kFrameBytesAfter, err);
  return true;
}

}  // namespace package
