// The encoding half of file_codec.h: CompressFileTo, apart from the decoder
// so that the setup program and the uninstaller link no encoder.

#include "codec/file_codec.h"

#include <limits>
#include <memory>

#include "codec/codec_messages.h"
#include "codec/parallel_encoder.h"
#include "codec/xor_mask.h"

namespace codec {

bool CompressFileTo(const std::string& input, platform::File& out, const CodecParams& params,
                    int64_t* compLen, bool* stopped, std::string* err, int jobs) {
  *compLen = 0;
  *stopped = false;
  if (!CheckCode(params.code, err)) return false;
  if (input.empty() || !platform::PathExists(input) || platform::IsDirectory(input)) return true;
  auto in = platform::File::Open(input, platform::File::Mode::kRead, err);
  if (!in) return false;
  int64_t size = 0;
  if (!in->Size(&size, err)) return false;
  if (size == 0) return true;
  if (size > std::numeric_limits<int32_t>::max()) {
    *err = input + ": " + msg::kInputTooLarge;
    return false;
  }
  if (!out.SeekToEnd(err)) return false;
  ReadFn read = [&](uint8_t* buf, size_t n, std::string* e) { return in->ReadExact(buf, n, e); };
  WriteFn write = [&](const uint8_t* buf, size_t n, std::string* e) { return out.Write(buf, n, e); };
  return EncodeStreamOnThreads(static_cast<int32_t>(size), read, write, params, jobs, compLen, stopped,
                               err);
}

}  // namespace codec
