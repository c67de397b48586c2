// The one-thread encoder: a RowEncoder (or, for deep searches, the chain
// walk) from the first byte to the last, its items gathered into groups.

#include "codec/lzss_encoder.h"

#include <memory>
#include <mutex>
#include <vector>

#include "codec/group_writer.h"
#include "codec/chain_encoder.h"
#include "codec/row_encoder.h"
#include "codec/xor_mask.h"

namespace codec {
namespace {

// States are kept between streams, a few for the whole process: the rows
// are large, and a build encodes many small files on a few threads at once.
class SpareStates {
 public:
  std::unique_ptr<RowEncoder::State> Take() {
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (!spare_.empty()) {
        std::unique_ptr<RowEncoder::State> s = std::move(spare_.back());
        spare_.pop_back();
        return s;
      }
    }
    return std::make_unique<RowEncoder::State>();
  }
  void Give(std::unique_ptr<RowEncoder::State> s) {
    std::lock_guard<std::mutex> lock(mu_);
    if (spare_.size() < kKept) spare_.push_back(std::move(s));
  }

 private:
  static constexpr size_t kKept = 8;
  std::mutex mu_;
  std::vector<std::unique_ptr<RowEncoder::State>> spare_;
};

SpareStates& Spares() {
  static SpareStates spares;
  return spares;
}

// One encoder from the first byte to the last, its items gathered into
// groups. Called with a checked code array and size > 0.
template <class Encoder>
bool EncodeWhole(int32_t size, const ReadFn& read, const WriteFn& write, const CodecParams& params,
                 int64_t* compLen, bool* stopped, std::string* err) {
  uint8_t header[kHeaderSize];
  PutHeader(size, header);
  if (!write(header, kHeaderSize, err)) return false;
  StreamInput in(read, params);
  Encoder enc(params.level);
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

}  // namespace

RowEncoder::RowEncoder(int16_t level) : level_(level), s_(Spares().Take()) {}
RowEncoder::~RowEncoder() { Spares().Give(std::move(s_)); }

bool EncodeStream(int32_t size, const ReadFn& read, const WriteFn& write,
                  const CodecParams& params, int64_t* compLen, bool* stopped, std::string* err) {
  *compLen = 0;
  *stopped = false;
  if (!CheckCode(params.code, err)) return false;
  if (size <= 0) return true;
  if (params.level > kRowLevelMax)
    return EncodeWhole<ChainEncoder>(size, read, write, params, compLen, stopped, err);
  return EncodeWhole<RowEncoder>(size, read, write, params, compLen, stopped, err);
}

}  // namespace codec
