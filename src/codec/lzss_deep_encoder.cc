// EncodeStream for deep searches: a ChainEncoder from the first byte to the
// last, its items gathered into groups.

#include "codec/lzss_deep_encoder.h"

#include "codec/chain_encoder.h"
#include "codec/group_writer.h"

namespace codec {

bool EncodeStreamDeep(int32_t size, const ReadFn& read, const WriteFn& write,
                      const CodecParams& params, int64_t* compLen, bool* stopped,
                      std::string* err) {
  uint8_t header[kHeaderSize];
  PutHeader(size, header);
  if (!write(header, kHeaderSize, err)) return false;
  StreamInput in(read, params);
  ChainEncoder enc(params.level);
  if (!enc.Begin(size, 0, in, err)) return false;
  GroupWriter out(write, params.code);
  switch (enc.Encode(size, in, out, err)) {
    case EncodeStatus::kFailed:
      return false;
    case EncodeStatus::kStopped:
      *stopped = true;
      return true;
    case EncodeStatus::kDone:
      break;
  }
  if (!out.Finish(err)) return false;
  *compLen = out.written();
  return true;
}

}  // namespace codec
