#pragma once
// What the resumable encoders (RowEncoder, ChainEncoder) are given: an input
// that supplies the stream's bytes in order, and how an Encode call ended.

#include <cstdint>
#include <string>

#include "codec/stream_io.h"

namespace codec {

enum class EncodeStatus {
  kDone,     // the requested index was reached
  kStopped,  // the input asked for a stop after a read
  kFailed,   // a read or the output failed; the message is in *err
};

// The input of a one-stream encode: the caller's reads, each reported to
// params.progress, with the stop request checked after every read but the
// first.
class StreamInput {
 public:
  StreamInput(const ReadFn& read, const CodecParams& params) : read_(read), params_(params) {}
  bool Read(uint8_t* buf, size_t n, std::string* err) { return read_(buf, n, err); }
  void Started(int32_t n) {
    if (params_.progress) params_.progress(n);
  }
  bool AfterRead(int32_t n) {
    if (params_.progress) params_.progress(n);
    return StopRequested(params_);
  }

 private:
  const ReadFn& read_;
  const CodecParams& params_;
};

}  // namespace codec
