#include "package/solid_writer.h"

#include <zstd.h>

#include <algorithm>
#include <memory>

#include "package/messages.h"
#include "platform/files.h"

namespace package {
namespace {

// The input read from a file at a time (and reported as progress).
constexpr size_t kReadPiece = 1 << 20;

struct CCtxFree {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};

class SolidWriter {
 public:
  SolidWriter(const RecordTarget& target, int threads) : t_(target), threads_(threads) {}
  bool Run(const std::vector<RecordJob>& jobs, std::string* err);

 private:
  bool Put(const void* data, size_t n, std::string* err);
  bool PutAt(int64_t offset, const std::string& bytes, std::string* err);
  bool Setup(int64_t content_size, std::string* err);
  bool Compress(const uint8_t* data, size_t n, ZSTD_EndDirective mode, std::string* err);
  bool AddFile(const RecordJob& job, std::string* err);
  bool Stopped() const { return StopRequested(t_.stop); }
  // The compressor's own failure (no memory, a parameter refused).
  bool Failed(const char* reason, std::string* err) const {
    *err = msg::kWriteFailed + t_.save_path + "（zstd: " + reason + "）";
    return false;
  }

  const RecordTarget& t_;
  int threads_;
  std::unique_ptr<ZSTD_CCtx, CCtxFree> cctx_{ZSTD_createCCtx()};
  std::vector<uint8_t> in_ = std::vector<uint8_t>(kReadPiece);
  std::vector<uint8_t> out_ = std::vector<uint8_t>(ZSTD_CStreamOutSize());
  int64_t comp_len_ = 0;
};

bool SolidWriter::Put(const void* data, size_t n, std::string* err) {
  std::string e;
  if (!t_.package->Seek(*t_.end, &e) || !t_.package->Write(data, n, &e)) {
    *err = msg::WithReason(msg::kWriteFailed, t_.save_path, e);
    return false;
  }
  *t_.end += static_cast<int64_t>(n);
  return true;
}

bool SolidWriter::PutAt(int64_t offset, const std::string& bytes, std::string* err) {
  std::string e;
  if (!t_.package->Seek(offset, &e) || !t_.package->Write(bytes.data(), bytes.size(), &e)) {
    *err = msg::WithReason(msg::kWriteFailed, t_.save_path, e);
    return false;
  }
  return true;
}

bool SolidWriter::Setup(int64_t content_size, std::string* err) {
  ZSTD_CCtx* c = cctx_.get();
  // Always at least one worker: zstd's frames are then the same for any
  // number of workers.
  int workers = std::clamp(threads_, 1, kSolidMaxWorkers);
  const std::pair<ZSTD_cParameter, int> params[] = {
      {ZSTD_c_compressionLevel, kSolidLevel},
      {ZSTD_c_windowLog, kSolidWindowLog},
      {ZSTD_c_enableLongDistanceMatching, 1},
      {ZSTD_c_contentSizeFlag, 1},
      {ZSTD_c_checksumFlag, 1},
      {ZSTD_c_dictIDFlag, 0},
      {ZSTD_c_nbWorkers, workers},
      {ZSTD_c_jobSize, kSolidJobSize},
  };
  if (!c) return Failed("ZSTD_createCCtx", err);
  for (const auto& [param, value] : params) {
    size_t r = ZSTD_CCtx_setParameter(c, param, value);
    if (ZSTD_isError(r)) return Failed(ZSTD_getErrorName(r), err);
  }
  ZSTD_CCtx_setPledgedSrcSize(c, static_cast<unsigned long long>(content_size));
  return true;
}

// Feeds n bytes (mode ZSTD_e_end: and ends the frame), appending what comes out.
bool SolidWriter::Compress(const uint8_t* data, size_t n, ZSTD_EndDirective mode, std::string* err) {
  ZSTD_inBuffer in{data, n, 0};
  for (;;) {
    ZSTD_outBuffer out{out_.data(), out_.size(), 0};
    size_t left = ZSTD_compressStream2(cctx_.get(), &out, &in, mode);
    if (ZSTD_isError(left)) return Failed(ZSTD_getErrorName(left), err);
    if (out.pos > 0 && !Put(out_.data(), out.pos, err)) return false;
    comp_len_ += static_cast<int64_t>(out.pos);
    if (comp_len_ > kMaxTotalSize) {
      *err = msg::kTooLarge;
      return false;
    }
    if (Stopped()) return false;
    bool done = mode == ZSTD_e_end ? left == 0 : in.pos == in.size;
    if (done) return true;
  }
}

// Compresses the file's bytes, which must be exactly the size it was
// collected with.
bool SolidWriter::AddFile(const RecordJob& job, std::string* err) {
  std::string e;
  auto in = platform::File::Open(job.source, platform::File::Mode::kRead, &e);
  int64_t size = 0;
  if (!in || !in->Size(&size, &e)) {
    *err = msg::WithReason(msg::kFileUnreadable, job.source, e);
    return false;
  }
  if (size != job.size) {
    *err = msg::kFileChanged + job.source;
    return false;
  }
  int64_t left = size;
  while (left > 0) {
    if (Stopped()) return false;
    size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(in_.size())));
    size_t got = 0;
    if (!in->Read(in_.data(), n, &got, &e)) {
      *err = msg::WithReason(msg::kFileUnreadable, job.source, e);
      return false;
    }
    if (got == 0) {  // it ended before its size: it shrank
      *err = msg::kFileChanged + job.source;
      return false;
    }
    if (!Compress(in_.data(), got, ZSTD_e_continue, err)) return false;
    left -= static_cast<int64_t>(got);
    if (t_.progress) t_.progress->Advance(static_cast<int32_t>(got));
  }
  uint8_t extra = 0;
  size_t got = 0;
  if (!in->Read(&extra, 1, &got, &e) || got != 0) {  // it grew
    *err = got != 0 ? msg::kFileChanged + job.source : msg::WithReason(msg::kFileUnreadable, job.source, e);
    return false;
  }
  return true;
}

bool SolidWriter::Run(const std::vector<RecordJob>& jobs, std::string* err) {
  std::string records;
  int64_t content_size = 0;
  for (const RecordJob& job : jobs) {
    if (!AppendCodedString(&records, job.name_gbk, *t_.key, err)) return false;
    PutI32(&records, static_cast<int32_t>(job.size));
    content_size += job.size;
  }
  // No frame when there is nothing to compress.
  const int32_t frames = content_size > 0 ? 1 : 0;
  PutI32(&records, frames ^ codec::kFormatMask);
  if (frames == 0) return Put(records.data(), records.size(), err);
  PutI32(&records, static_cast<int32_t>(jobs.size()));
  const int64_t comp_len_at = *t_.end + static_cast<int64_t>(records.size());
  PutI32(&records, 0);  // compLen, filled in at the end
  if (!Put(records.data(), records.size(), err) || !Setup(content_size, err)) return false;
  for (const RecordJob& job : jobs)
    if (!AddFile(job, err)) return false;
  if (!Compress(nullptr, 0, ZSTD_e_end, err)) return false;
  std::string comp_len;
  PutI32(&comp_len, static_cast<int32_t>(comp_len_));
  return PutAt(comp_len_at, comp_len, err);
}

}  // namespace

bool WriteSolidData(const std::vector<RecordJob>& jobs, int threads, const RecordTarget& target,
                    std::string* err) {
  err->clear();
  SolidWriter writer(target, threads);
  bool ok = writer.Run(jobs, err);
  if (StopRequested(target.stop)) err->clear();
  return ok && !StopRequested(target.stop);
}

}  // namespace package
