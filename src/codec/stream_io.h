#pragma once
// The engine's connections to the outside: where bytes come from and go to,
// progress reports and the stop request. The engine itself does no I/O, so it
// runs on files, memory buffers or anything else a caller wires up.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "codec/stream_format.h"

namespace codec {

// Fills buf with exactly n bytes or fails with a message.
using ReadFn = std::function<bool(uint8_t* buf, size_t n, std::string* err)>;
// Takes n bytes or fails with a message.
using WriteFn = std::function<bool(const uint8_t* buf, size_t n, std::string* err)>;
// Receives a byte count: bytes read (encoder) or written (decoder).
using ProgressFn = std::function<void(int32_t dwWriteBytes)>;

struct CodecParams {
  std::span<const uint8_t> code;        // empty: format mask alone
  int16_t level = kCompressLevel;        // encoder: candidates examined per position - 1
  ProgressFn progress;                  // optional
  const std::atomic<bool>* stop = nullptr;  // optional; read at the checkpoints
};

inline bool StopRequested(const CodecParams& p) {
  return p.stop != nullptr && p.stop->load(std::memory_order_relaxed);
}

}  // namespace codec
