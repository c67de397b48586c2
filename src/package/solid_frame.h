#pragma once
// One zstd frame of a compact package's solid data (docs/format.md "The
// compact package"): the check of its header and its streaming decoder.
// Failures are damage: the messages are details for msg::kPackageDamaged.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/stream_io.h"

namespace package {

// The bytes a frame header takes at most: the check reads min(this, compLen).
inline constexpr size_t kSolidFrameHeaderMax = 18;

// Checks the start of a frame of comp_len bytes that must decode to
// content_size bytes: a zstd frame (not a skippable one), a window of at
// most 2^kSolidWindowLogMax bytes, no dictionary, and a declared content
// size, if any, of content_size.
bool CheckSolidFrameHeader(const uint8_t* head, size_t n, int64_t content_size, std::string* err);

// Decodes one frame whose comp_len bytes read delivers in order, to exactly
// content_size bytes, with ZSTD_d_windowLogMax = kSolidWindowLogMax. One
// decoder serves frame after frame.
class SolidFrameDecoder {
 public:
  SolidFrameDecoder();
  ~SolidFrameDecoder();
  SolidFrameDecoder(const SolidFrameDecoder&) = delete;
  SolidFrameDecoder& operator=(const SolidFrameDecoder&) = delete;

  // Starts a frame; read must fill its buffer exactly (its failure is the
  // reader's own message, returned as it is).
  bool Start(codec::ReadFn read, int64_t comp_len, int64_t content_size, std::string* err);
  // Decodes exactly n more bytes of the content into out. Fails when the
  // frame ends first, when n passes content_size, or on damage.
  bool Read(uint8_t* out, size_t n, std::string* err);
  // After content_size bytes: the frame must end there, with no input left.
  bool Finish(std::string* err);
  // Whether the last failure came from read rather than from the frame.
  bool source_failed() const { return source_failed_; }

 private:
  bool Refill(std::string* err);
  bool Decode(uint8_t* out, size_t n, size_t* produced, std::string* err);

  struct Context;
  std::unique_ptr<Context> ctx_;
  codec::ReadFn read_;
  std::vector<uint8_t> in_;
  size_t in_pos_ = 0;
  size_t in_size_ = 0;
  int64_t comp_left_ = 0;     // bytes of the frame not yet read
  int64_t content_left_ = 0;  // bytes of content not yet delivered
  bool frame_ended_ = false;  // zstd reported the frame's end
  bool source_failed_ = false;
};

}  // namespace package
