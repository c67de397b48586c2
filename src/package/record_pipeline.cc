#include "package/record_pipeline.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "codec/lzss_encoder.h"
#include "codec/parallel_encoder.h"
#include "package/messages.h"
#include "package/temp_files.h"
#include "platform/temporaries.h"

namespace package {
namespace {

using platform::File;

// How often the calling thread passes the workers' progress on while it waits.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);
// The piece in which a temporary file is copied into the package.
constexpr size_t kCopyPiece = 1 << 20;
// Names tried for one temporary file before giving up.
constexpr int kSpillAttempts = 100;

// Memory for encoded records in blocks of kPieceSize, at most the budget
// over the whole build. Blocks are kept and reused, so the build's memory
// stays at the budget however often records come and go.
constexpr size_t kPieceSize = 64 << 10;

class PiecePool {
 public:
  explicit PiecePool(int64_t budget) : unmade_(budget / static_cast<int64_t>(kPieceSize)) {}
  // A block, or null when the budget is spent.
  std::unique_ptr<uint8_t[]> Take() {
    std::lock_guard<std::mutex> lock(mu_);
    if (!free_.empty()) {
      std::unique_ptr<uint8_t[]> p = std::move(free_.back());
      free_.pop_back();
      return p;
    }
    if (unmade_ == 0) return nullptr;
    --unmade_;
    return std::unique_ptr<uint8_t[]>(new uint8_t[kPieceSize]);
  }
  void Give(std::unique_ptr<uint8_t[]> p) {
    std::lock_guard<std::mutex> lock(mu_);
    free_.push_back(std::move(p));
  }

 private:
  std::mutex mu_;
  std::vector<std::unique_ptr<uint8_t[]>> free_;
  int64_t unmade_;  // blocks the budget still allows
};

enum class SlotState { kFree, kEncoding, kDone, kFailed };

// One record on its way: in the package already (direct), or its stream in
// memory pieces followed by the rest in a temporary file.
struct Slot {
  SlotState state = SlotState::kFree;
  bool direct = false;  // the record is in the package already
  // Set by the writer when the record is next in line while still being
  // encoded: the worker then moves what it holds into the package and
  // streams the rest there.
  std::atomic<bool> move_to_package{false};
  std::vector<std::unique_ptr<uint8_t[]>> pieces;  // full but the last
  size_t tail = 0;                                  // bytes in the last piece
  TempFile spill;
  int64_t compLen = 0;
  std::string error;
};

class Pipeline {
 public:
  Pipeline(const std::vector<RecordJob>& jobs, const RecordTarget& target)
      : jobs_(jobs), target_(target), slots_(std::min<size_t>(jobs.size(), kMaxAhead)),
        pool_(target.memory_budget) {
    starts_.reserve(jobs.size() + 1);
    starts_.push_back(0);
    for (const RecordJob& j : jobs) starts_.push_back(starts_.back() + j.size);
  }
  ~Pipeline() {
    for (Slot& s : slots_) Release(s);
  }

  bool Run(int threads, std::string* err);

 private:
  Slot& SlotOf(size_t i) { return slots_[i % slots_.size()]; }
  // Whether a worker may start the next record (see kMaxAhead).
  bool MayClaim() const {
    if (next_claim_ >= next_write_ + slots_.size()) return false;
    return next_claim_ <= next_write_ + 1 ||
           starts_[next_claim_ + 1] - starts_[next_write_ + 1] <= kMaxAheadBytes;
  }
  void Work();
  bool EncodeDirect(const RecordJob& job, Slot& s, std::string* err);
  bool EncodeBuffered(const RecordJob& job, Slot& s, bool* moved, std::string* err);
  bool MoveToPackage(const RecordJob& job, Slot& s, int64_t* field_at, std::string* err);
  bool CopyInto(Slot& s, std::string* err);
  bool PatchCompLen(int64_t field_at, int64_t compLen, std::string* err);
  bool Encode(const RecordJob& job, const codec::WriteFn& write, int64_t* compLen,
              std::string* err);
  bool EncodeStream(int32_t size, const codec::ReadFn& read, const codec::WriteFn& write,
                    const codec::CodecParams& params, int64_t* compLen, bool* stopped,
                    std::string* err);
  bool OpenSpill(TempFile* spill, std::string* err);
  bool Append(size_t i, Slot& s, std::string* err);
  bool WriteHead(const RecordJob& job, int32_t compLen, std::string* err);
  bool WritePackage(const void* data, size_t n, std::string* err);
  void FreeHeld(Slot& s);
  void Release(Slot& s);
  void PassProgress();

  const std::vector<RecordJob>& jobs_;
  const RecordTarget& target_;

  std::mutex mu_;
  std::condition_variable changed_;  // a slot finished, or one was freed
  std::vector<int64_t> starts_;      // input bytes before record i
  std::vector<Slot> slots_;          // record i lives in slot i mod size
  size_t next_claim_ = 0;            // the next record a worker takes
  size_t next_write_ = 0;            // the next record to append
  size_t first_failed_ = SIZE_MAX;   // no record after it is started

  int threads_ = 1;                  // workers
  int encoding_ = 0;                 // workers encoding a file of their own
  // The large file being split among the workers, if any; workers that hold
  // a copy may still be finishing a chunk of it.
  std::shared_ptr<codec::ParallelEncoder> split_;

  std::atomic<bool> stop_{false};
  std::atomic<int64_t> advanced_{0};  // progress not yet passed on
  PiecePool pool_;
};

bool Pipeline::Run(int threads, std::string* err) {
  if (jobs_.empty()) return true;
  std::vector<std::thread> workers;
  // One worker per file at most, unless a file is large enough to split.
  size_t useful = jobs_.size();
  for (const RecordJob& j : jobs_) {
    if (j.size >= target_.parallel_min_size) useful = SIZE_MAX;
  }
  threads_ = static_cast<int>(
      std::min<size_t>(static_cast<size_t>(std::clamp(threads, 1, kMaxWorkers)), useful));
  for (int t = 0; t < threads_; ++t) workers.emplace_back([this] { Work(); });

  bool ok = true;
  std::unique_lock<std::mutex> lock(mu_);
  while (next_write_ < jobs_.size()) {
    if (StopRequested(target_.stop)) {
      err->clear();
      ok = false;
      break;
    }
    Slot& s = SlotOf(next_write_);
    if (s.state == SlotState::kFailed) {
      *err = s.error;
      ok = false;
      break;
    }
    if (s.state != SlotState::kDone) {
      if (s.state == SlotState::kEncoding && !s.direct) s.move_to_package = true;
      changed_.wait_for(lock, kProgressInterval);
      lock.unlock();
      PassProgress();
      lock.lock();
      continue;
    }
    // The record is finished and no worker touches its slot until it is freed.
    lock.unlock();
    bool appended = s.direct || Append(next_write_, s, err);
    Release(s);
    lock.lock();
    if (!appended) {
      ok = false;
      break;
    }
    ++next_write_;
    changed_.notify_all();
  }
  if (!ok) stop_ = true;
  changed_.notify_all();
  lock.unlock();
  for (std::thread& w : workers) w.join();
  PassProgress();
  return ok;
}

void Pipeline::Work() {
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    // Chunks of a file being split come before further files: the file is
    // earlier in line.
    const auto help = [&] { return split_ && split_->HasWork(); };
    const auto claimable = [&] { return next_claim_ < jobs_.size() && next_claim_ <= first_failed_; };
    changed_.wait(lock, [&] {
      return stop_ || help() || (claimable() && MayClaim()) || (!claimable() && encoding_ == 0);
    });
    if (stop_) return;
    if (help()) {
      std::shared_ptr<codec::ParallelEncoder> split = split_;
      lock.unlock();
      split->HelpOnce();
      lock.lock();
      continue;
    }
    if (!claimable()) return;  // and no file is being encoded that could be split
    size_t i = next_claim_++;
    Slot& s = SlotOf(i);
    // Next in line: the package is idle (the writer appends only record
    // next_write_, which no one has finished yet), so stream into it.
    s.direct = i == next_write_;
    s.state = SlotState::kEncoding;
    ++encoding_;
    lock.unlock();
    std::string e;
    bool moved = false;
    bool ok = s.direct ? EncodeDirect(jobs_[i], s, &e) : EncodeBuffered(jobs_[i], s, &moved, &e);
    lock.lock();
    --encoding_;
    if (moved) s.direct = true;
    s.state = ok ? SlotState::kDone : SlotState::kFailed;
    s.error = std::move(e);
    if (!ok) first_failed_ = std::min(first_failed_, i);
    changed_.notify_all();
  }
}

// Encodes a stream, split among the workers when it is large and no other
// file is being split.
bool Pipeline::EncodeStream(int32_t size, const codec::ReadFn& read, const codec::WriteFn& write,
                            const codec::CodecParams& params, int64_t* compLen, bool* stopped,
                            std::string* err) {
  std::shared_ptr<codec::ParallelEncoder> split;
  if (threads_ > 1 && size >= target_.parallel_min_size) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!split_) {
      codec::ParallelOptions o;
      o.width = threads_;
      o.chunk = target_.parallel_chunk;
      split = std::make_shared<codec::ParallelEncoder>(size, params, o);
      split->OnWork([this] {
        { std::lock_guard<std::mutex> wake(mu_); }
        changed_.notify_all();
      });
      split_ = split;
      if (target_.files_split) ++*target_.files_split;
    }
  }
  if (!split) return codec::EncodeStream(size, read, write, params, compLen, stopped, err);
  const bool ok = split->Run(read, write, compLen, stopped, err);
  std::lock_guard<std::mutex> lock(mu_);
  split_.reset();
  return ok;
}

// Opens the source, checks its size and encodes it into write: the stream
// header and data, or 4 zero bytes for an empty file (compLen 0).
bool Pipeline::Encode(const RecordJob& job, const codec::WriteFn& write, int64_t* compLen,
                      std::string* err) {
  std::string e;
  auto in = File::Open(job.source, File::Mode::kRead, &e);
  int64_t size = 0;
  if (!in || !in->Size(&size, &e)) {
    *err = msg::WithReason(msg::kFileUnreadable, job.source, e);
    return false;
  }
  if (size != job.size) {
    *err = msg::kFileChanged + job.source;
    return false;
  }
  *compLen = 0;
  if (size == 0) {
    const uint8_t zero[codec::kHeaderSize] = {};
    if (!write(zero, sizeof zero, &e)) {
      *err = msg::WithReason(msg::kWriteFailed, target_.save_path, e);
      return false;
    }
    return true;
  }
  bool read_failed = false;
  auto read = [&](uint8_t* buf, size_t n, std::string* re) {
    read_failed = !in->ReadExact(buf, n, re);
    return !read_failed;
  };
  codec::CodecParams params;
  params.code = std::span<const uint8_t>(*target_.key);
  params.level = codec::kCompressLevel;
  params.progress = [this](int32_t n) { advanced_ += n; };
  params.stop = &stop_;
  bool stopped = false;
  if (!EncodeStream(static_cast<int32_t>(size), read, write, params, compLen, &stopped, &e)) {
    if (!read_failed)
      *err = msg::WithReason(msg::kWriteFailed, target_.save_path, e);
    else if (platform::FailureReason(e).empty())
      *err = msg::kFileChanged + job.source;  // it ended before its size: it shrank
    else
      *err = msg::WithReason(msg::kFileUnreadable, job.source, e);
    return false;
  }
  return !stopped;  // stopped only after another record failed; its message counts
}

bool Pipeline::WritePackage(const void* data, size_t n, std::string* err) {
  std::string e;
  if (!target_.package->Write(data, n, &e)) {
    *err = msg::WithReason(msg::kWriteFailed, target_.save_path, e);
    return false;
  }
  *target_.end += static_cast<int64_t>(n);
  return true;
}

// The record straight into the package: coded name, compLen patched after.
bool Pipeline::EncodeDirect(const RecordJob& job, Slot& s, std::string* err) {
  if (!WriteHead(job, 0, err)) return false;
  int64_t field_at = *target_.end - kCompLenSize;
  auto write = [&](const uint8_t* buf, size_t n, std::string* we) {
    if (!target_.package->Write(buf, n, we)) return false;
    *target_.end += static_cast<int64_t>(n);
    return true;
  };
  return Encode(job, write, &s.compLen, err) && PatchCompLen(field_at, s.compLen, err);
}

bool Pipeline::PatchCompLen(int64_t field_at, int64_t compLen, std::string* err) {
  std::string field, e;
  PutI32(&field, static_cast<int32_t>(compLen));
  if (!target_.package->Seek(field_at, &e) || !target_.package->Write(field.data(), field.size(), &e)) {
    *err = msg::WithReason(msg::kWriteFailed, target_.save_path, e);
    return false;
  }
  return true;
}

// The stream into memory while the budget lasts, then into a temporary file.
// Once the writer asks for it, what is held moves into the package and the
// rest streams there (*moved).
bool Pipeline::EncodeBuffered(const RecordJob& job, Slot& s, bool* moved, std::string* err) {
  int64_t field_at = 0;
  std::string move_err;
  auto write = [&](const uint8_t* buf, size_t n, std::string* we) {
    if (!*moved && s.move_to_package.load()) {
      if (!MoveToPackage(job, s, &field_at, &move_err)) {
        *we = move_err;
        return false;
      }
      *moved = true;
    }
    if (*moved) {
      if (!target_.package->Write(buf, n, we)) return false;
      *target_.end += static_cast<int64_t>(n);
      return true;
    }
    // Memory while blocks last; once a temporary file is open, the rest
    // follows there.
    while (n > 0 && !s.spill.file) {
      if (s.pieces.empty() || s.tail == kPieceSize) {
        std::unique_ptr<uint8_t[]> p = pool_.Take();
        if (!p) break;
        s.pieces.push_back(std::move(p));
        s.tail = 0;
      }
      size_t k = std::min(n, kPieceSize - s.tail);
      std::memcpy(s.pieces.back().get() + s.tail, buf, k);
      s.tail += k;
      buf += k;
      n -= k;
    }
    if (n == 0) return true;
    if (!s.spill.file && !OpenSpill(&s.spill, we)) return false;
    return s.spill.file->Write(buf, n, we);
  };
  if (!Encode(job, write, &s.compLen, err)) {
    // A failure of the move itself carries its full message already.
    if (!move_err.empty()) *err = move_err;
    return false;
  }
  if (*moved) return PatchCompLen(field_at, s.compLen, err);
  // Closed until copied, so waiting records hold no open files.
  std::string e;
  if (s.spill.file && !s.spill.file->Close(&e)) {
    *err = msg::WithReason(msg::kWriteFailed, target_.save_path, e);
    return false;
  }
  s.spill.file.reset();
  return true;
}

// Writes the record's head and what the slot holds at the package's end and
// frees the slot's memory and temporary file; *field_at is where compLen goes.
bool Pipeline::MoveToPackage(const RecordJob& job, Slot& s, int64_t* field_at, std::string* err) {
  if (!WriteHead(job, 0, err)) return false;
  *field_at = *target_.end - kCompLenSize;
  if (!CopyInto(s, err)) return false;
  FreeHeld(s);
  return true;
}

bool Pipeline::OpenSpill(TempFile* spill, std::string* err) {
  std::string e = msg::kNoFreeTempName;
  for (int attempt = 0; attempt < kSpillAttempts; ++attempt) {
    std::string path = TempPackagePath(target_.save_path, RandomTag());
    if (path.empty()) continue;
    spill->file = platform::CreateTemporaryFile(path, &e);
    if (spill->file) {
      spill->path = path;
      return true;
    }
    if (!platform::PathExists(path)) break;  // not a name collision
    e = msg::kNoFreeTempName;
  }
  *err = e;
  return false;
}

// Appends a finished record at the package's end.
bool Pipeline::Append(size_t i, Slot& s, std::string* err) {
  return WriteHead(jobs_[i], static_cast<int32_t>(s.compLen), err) && CopyInto(s, err);
}

// Writes a record's coded name and compLen at the package's end.
bool Pipeline::WriteHead(const RecordJob& job, int32_t compLen, std::string* err) {
  std::string head;
  if (!AppendCodedString(&head, job.name_gbk, *target_.key, err)) return false;
  PutI32(&head, compLen);
  std::string e;
  if (!target_.package->Seek(*target_.end, &e)) {
    *err = msg::WithReason(msg::kWriteFailed, target_.save_path, e);
    return false;
  }
  return WritePackage(head.data(), head.size(), err);
}

// Writes the slot's pieces and temporary file at the package's position.
bool Pipeline::CopyInto(Slot& s, std::string* err) {
  std::string e;
  for (size_t i = 0; i < s.pieces.size(); ++i) {
    size_t n = i + 1 == s.pieces.size() ? s.tail : kPieceSize;
    if (!WritePackage(s.pieces[i].get(), n, err)) return false;
  }
  if (s.spill.path.empty()) return true;
  // A finished record's temporary file is closed (see EncodeBuffered).
  std::unique_ptr<File> reopened;
  File* spill = s.spill.file.get();
  if (!spill) {
    reopened = File::Open(s.spill.path, File::Mode::kRead, &e);
    spill = reopened.get();
  }
  std::unique_ptr<uint8_t[]> buf(new uint8_t[kCopyPiece]);
  if (!spill || !spill->Seek(0, &e)) {
    *err = msg::WithReason(msg::kWriteFailed, target_.save_path, e);
    return false;
  }
  for (;;) {
    if (StopRequested(target_.stop)) {
      err->clear();
      return false;
    }
    size_t got = 0;
    if (!spill->Read(buf.get(), kCopyPiece, &got, &e)) {
      *err = msg::WithReason(msg::kWriteFailed, target_.save_path, e);
      return false;
    }
    if (got == 0) return true;
    if (!WritePackage(buf.get(), got, err)) return false;
  }
}

// Frees a slot's memory and removes its temporary file.
void Pipeline::FreeHeld(Slot& s) {
  for (std::unique_ptr<uint8_t[]>& p : s.pieces) pool_.Give(std::move(p));
  s.pieces.clear();
  s.tail = 0;
  s.spill.file.reset();
  if (!s.spill.path.empty()) platform::RemoveTemporaryFile(s.spill.path, nullptr);
  s.spill.path.clear();
}

// Makes a slot free for the next record.
void Pipeline::Release(Slot& s) {
  FreeHeld(s);
  s.state = SlotState::kFree;
  s.direct = false;
  s.move_to_package = false;
  s.compLen = 0;
  s.error.clear();
}

void Pipeline::PassProgress() {
  int64_t n = advanced_.exchange(0);
  while (n > 0) {
    int32_t step = static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
    if (target_.progress) target_.progress->Advance(step);
    n -= step;
  }
}

}  // namespace

bool WriteRecords(const std::vector<RecordJob>& jobs, int threads, const RecordTarget& target,
                  std::string* err) {
  Pipeline pipeline(jobs, target);
  return pipeline.Run(threads, err);
}

}  // namespace package
