#include "codec/parallel_encoder.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "codec/chain_encoder.h"
#include "codec/codec_messages.h"
#include "codec/group_writer.h"
#include "codec/lzss_encoder.h"
#include "codec/row_encoder.h"
#include "codec/xor_mask.h"

namespace codec {
namespace {

// The positions in the chains at an item's start: the kWindowSpan indexes
// before it (the look-ahead has overwritten older ones in the ring).
constexpr int32_t kWindowSpan = kRingSize - kMaxMatch;
// How far past the index it reaches an encoder may read: a block, and the
// look-ahead and comparisons around it.
constexpr int32_t kReadMargin = kBlockSize + 256;
// Indexes an encoder goes on by at a time when its items have run out
// before they agreed with the next chunk's.
constexpr int32_t kFurtherStep = 4096;
// Indexes the Run thread encodes of a chunk of its own before it looks
// whether chunks are ready to be joined: the threads that help must not
// wait for it long.
constexpr int32_t kOwnStep = 64 << 10;

}  // namespace

int32_t DefaultChunkSize(int width) { return width <= 4 ? (1 << 20) : (512 << 10); }

// The input the chunks' encoders read: the stream's bytes from lo() to
// hi(), in a ring. Only the Run thread reads into it, and only beyond
// hi(); the encoders read what lay below hi() when their chunk was posted.
class ParallelEncoder::Window {
 public:
  explicit Window(int64_t capacity)
      : capacity_(capacity), buf_(std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(capacity))) {}

  // Reads the stream on up to index to.
  bool Fill(int64_t to, const ReadFn& read, std::string* err) {
    while (hi_ < to) {
      const int64_t at = hi_ % capacity_;
      const int64_t n = std::min(to - hi_, capacity_ - at);
      if (!read(buf_.get() + at, static_cast<size_t>(n), err)) return false;
      hi_ += n;
    }
    return true;
  }
  // Whether reading on to index to keeps the ring from overwriting bytes
  // still needed.
  bool Fits(int64_t to) const { return to - lo_ <= capacity_; }
  // The bytes before index lo are not needed any more.
  void Release(int64_t lo) { lo_ = std::max(lo_, lo); }

  void Copy(int64_t at, size_t n, uint8_t* dst) const {
    const int64_t off = at % capacity_;
    const size_t first = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), capacity_ - off));
    std::memcpy(dst, buf_.get() + off, first);
    if (first < n) std::memcpy(dst + first, buf_.get(), n - first);
  }

 private:
  const int64_t capacity_;
  std::unique_ptr<uint8_t[]> buf_;
  int64_t lo_ = 0;
  int64_t hi_ = 0;
};

// A chunk's encoder, behind one face for both kinds.
class ParallelEncoder::Coder {
 public:
  virtual ~Coder() = default;
  // Places it at start, with empty chains, for a new chunk.
  virtual void Reset(int32_t start) = 0;
  // Encodes items into record until the index reaches until; kStopped when
  // the encode was aborted.
  virtual EncodeStatus EncodeTo(int32_t until, ItemRecord& record) = 0;
  virtual int32_t index() const = 0;
  // Where its next read starts.
  virtual int64_t read_at() const = 0;
};

template <class Encoder>
class ParallelEncoder::CoderOf final : public Coder {
 public:
  CoderOf(int16_t level, const Window& window, int32_t size, const std::atomic<bool>& abort)
      : enc_(level), in_{&window, 0, &abort}, size_(size) {}

  void Reset(int32_t start) override {
    start_ = start;
    in_.at = Encoder::ReadsFrom(size_, start);
    begun_ = false;
  }
  EncodeStatus EncodeTo(int32_t until, ItemRecord& record) override {
    std::string err;  // neither the window nor the record fails
    if (!begun_) {
      enc_.Begin(size_, start_, in_, &err);
      begun_ = true;
    }
    const EncodeStatus s = enc_.Encode(until, in_, record, &err);
    record.Reached(enc_.index());
    return s;
  }
  int32_t index() const override { return begun_ ? enc_.index() : start_; }
  int64_t read_at() const override { return in_.at; }

 private:
  struct Input {
    const Window* window;
    int64_t at;
    const std::atomic<bool>* abort;
    bool Read(uint8_t* buf, size_t n, std::string*) {
      window->Copy(at, n, buf);
      at += static_cast<int64_t>(n);
      return true;
    }
    void Started(int32_t) {}
    bool AfterRead(int32_t) { return abort->load(std::memory_order_relaxed); }
  };

  Encoder enc_;
  Input in_;
  const int32_t size_;
  int32_t start_ = 0;
  bool begun_ = false;
};

struct ParallelEncoder::Chunk {
  enum class State { kWaiting, kRunning, kDone, kAborted };

  int32_t start = 0;  // where its encoder starts, with empty chains
  int32_t begin = 0;  // the chunk: indexes begin..end - 1
  int32_t end = 0;
  int64_t needs_from = 0;  // no read of its encoder goes below this
  bool started = false;  // its encoder and record are set up for it
  std::unique_ptr<Coder> coder;
  ItemRecord record;
  // Its first item that is the stream's, once the chunk before is joined;
  // the items before it are written already.
  ItemRecord::Cursor from;
  // Whether its items and those of the chunk before have been compared
  // (both done), and where they agree over a whole window if they do: the
  // earlier chunk's item there and its own. Once they agree, the earlier
  // chunk's encoder is not needed any more.
  bool compared = false;
  bool agrees = false;
  ItemRecord::Cursor agree_before, agree_here;
  State state = State::kWaiting;  // guarded by mu_
};

// The stream's groups and blocks, and the progress reports: the counts a
// one-thread encode reports for its reads, each when the items written have
// reached the point where it would read.
class ParallelEncoder::Output {
 public:
  Output(const WriteFn& write, const CodecParams& params, int32_t size)
      : groups(write, params.code), params_(params), size_(size),
        blocks_(static_cast<int>((int64_t{size} + kBlockSize - 1) / kBlockSize)) {}

  // Reports the reads up to index; true when a stop is asked for after one
  // of them (the first excepted).
  bool Passed(int32_t index) {
    while (reported_ < blocks_ && int64_t{reported_} * kBlockSize - kMaxMatch <= index) {
      const int64_t at = int64_t{reported_} * kBlockSize;
      const int32_t n = static_cast<int32_t>(std::min<int64_t>(kBlockSize, size_ - at));
      if (params_.progress) params_.progress(n);
      ++reported_;
      if (reported_ > 1 && StopRequested(params_)) return true;
    }
    return false;
  }

  GroupWriter groups;

 private:
  const CodecParams& params_;
  const int32_t size_;
  const int blocks_;
  int reported_ = 0;
};

ParallelEncoder::ParallelEncoder(int32_t size, const CodecParams& params,
                                 const ParallelOptions& options)
    : size_(size), params_(params), level_(params.level) {
  width_ = std::clamp(options.width, 1, kParallelWidthMax);
  chunk_ = options.chunk > 0 ? options.chunk : DefaultChunkSize(width_);
  lead_ = options.lead >= 0 ? options.lead : kDefaultLead;
  chunk_count_ = static_cast<int>((int64_t{size} + chunk_ - 1) / chunk_);
  max_live_ = static_cast<size_t>(width_) + 2;
  // The chunks in flight, each encoder's lead (rounded down to kMaxMatch),
  // the bytes before it that it reads, and how far it reads past its end.
  window_ = std::make_unique<Window>(static_cast<int64_t>(max_live_) * chunk_ + lead_ + kMaxMatch +
                                     kRingSize + kReadMargin);
  stats_.chunks = chunk_count_;
}

ParallelEncoder::~ParallelEncoder() = default;

bool ParallelEncoder::Run(const ReadFn& read, const WriteFn& write, int64_t* compLen,
                          bool* stopped, std::string* err) {
  *compLen = 0;
  *stopped = false;
  uint8_t header[kHeaderSize];
  PutHeader(size_, header);
  bool ok = write(header, kHeaderSize, err);
  EncodeStatus status = EncodeStatus::kFailed;
  if (ok) {
    out_ = std::make_unique<Output>(write, params_, size_);
    out_->Passed(0);
    status = Loop(read, err);
  }
  End();
  if (status == EncodeStatus::kStopped) {
    *stopped = true;
    return true;
  }
  if (status != EncodeStatus::kDone || !out_->groups.Finish(err)) return false;
  *compLen = out_->groups.written();
  return true;
}

bool ParallelEncoder::ReadyLocked() const {
  const Chunk& a = *live_[0];
  if (a.state != Chunk::State::kDone) return false;
  return live_.size() == 1 || live_[1]->state == Chunk::State::kDone;
}

EncodeStatus ParallelEncoder::Loop(const ReadFn& read, std::string* err) {
  for (;;) {
    if (!Post(read, err)) return EncodeStatus::kFailed;
    bool ready;
    {
      std::lock_guard<std::mutex> lock(mu_);
      ready = ReadyLocked();
    }
    if (ready) {
      if (live_.size() == 1) {  // the last chunk (Post keeps at least two while more follow)
        const Chunk& last = *live_[0];
        if (last.coder->index() < size_) {
          *err = msg::kChunksLost;
          return EncodeStatus::kFailed;
        }
        return Replay(*live_[0], last.record.End(), err);
      }
      const EncodeStatus joined = Join(err);
      if (joined != EncodeStatus::kDone) return joined;
      // Its buffers serve a later chunk; its encoder's tables go back to the
      // pool until a chunk starts.
      live_.front()->coder.reset();
      spare_.push_back(std::move(live_.front()));
      live_.pop_front();
      int64_t lo = live_[0]->needs_from;
      for (const auto& c : live_) lo = std::min(lo, c->needs_from);
      window_->Release(lo);
      continue;
    }
    // Nothing to write yet: compare what is done, encode a piece of a chunk
    // here, or wait.
    CompareDone();
    if (own_ == nullptr) own_ = TakeWaiting();
    if (own_ != nullptr) {
      Chunk& c = *own_;
      if (!c.started) StartChunk(c);
      const int32_t until =
          static_cast<int32_t>(std::min<int64_t>(c.end, int64_t{c.coder->index()} + kOwnStep));
      const EncodeStatus s = c.coder->EncodeTo(until, c.record);
      if (s != EncodeStatus::kDone || c.coder->index() >= c.end) {
        Finished(c, s);
        own_ = nullptr;
      }
      continue;
    }
    std::unique_lock<std::mutex> lock(mu_);
    changed_.wait(lock, [&] { return ReadyLocked() || !waiting_.empty(); });
  }
}

// Reads the input for the next chunks and lets them wait for a thread, as
// long as fewer than max_live_ are in flight.
bool ParallelEncoder::Post(const ReadFn& read, std::string* err) {
  bool posted = false;
  while (posted_ < chunk_count_ && live_.size() < max_live_) {
    std::unique_ptr<Chunk> c;
    if (spare_.empty()) {
      c = std::make_unique<Chunk>();
    } else {
      c = std::move(spare_.back());
      spare_.pop_back();
    }
    c->state = Chunk::State::kWaiting;
    c->started = false;
    c->from = {};
    c->compared = false;
    c->agrees = false;
    c->begin = static_cast<int32_t>(int64_t{posted_} * chunk_);
    c->end = static_cast<int32_t>(std::min<int64_t>(size_, int64_t{c->begin} + chunk_));
    // A multiple of kMaxMatch: in a run of one byte from the stream's start
    // (a file of zeros) the parse is a literal and then references of
    // kMaxMatch bytes, and an encoder that starts there falls into step
    // with it.
    c->start = posted_ == 0 ? 0 : std::max(0, c->begin - lead_) / kMaxMatch * kMaxMatch;
    c->needs_from = level_ > kRowLevelMax ? ChainEncoder::ReadsFrom(size_, c->start)
                                          : RowEncoder::ReadsFrom(size_, c->start);
    const int64_t need = std::min<int64_t>(size_, int64_t{c->end} + kReadMargin);
    if (!window_->Fits(need)) {  // the window is sized for max_live_ chunks
      *err = msg::kChunksLost;
      return false;
    }
    if (!window_->Fill(need, read, err)) return false;
    Chunk* p = c.get();
    live_.push_back(std::move(c));
    {
      std::lock_guard<std::mutex> lock(mu_);
      waiting_.push_back(p);
    }
    ++posted_;
    posted = true;
  }
  if (posted) {
    changed_.notify_all();
    if (on_work_) on_work_();
  }
  return true;
}

// Joins the first two chunks in flight: finds where the second one's items
// become the stream's, writes the first one's items up to there, and leaves
// the second one (or the first one in its place) first.
EncodeStatus ParallelEncoder::Join(std::string* err) {
  Chunk& a = *live_[0];
  Chunk& b = *live_[1];
  if (!b.compared) Compare(a, b);
  if (b.agrees) {
    // From the agreement on, both have the same items; b's take over where
    // a's become the stream's, if that is later.
    ItemRecord::Cursor x = b.agree_before;
    ItemRecord::Cursor y = b.agree_here;
    while (x.item < a.from.item && y.item < b.record.End().item) {
      a.record.Step(&x);
      b.record.Step(&y);
    }
    ++stats_.joined_in_lead;
    const EncodeStatus s = Replay(a, x, err);
    b.from = y;
    return s;
  }
  ItemRecord::Cursor x, y;
  switch (FindSwitch(a, b, &x, &y)) {
    case Switch::kFound: {
      ++stats_.joined_further;
      const EncodeStatus s = Replay(a, x, err);
      b.from = y;
      return s;
    }
    case Switch::kNone:
      ++stats_.taken_over;
      return TakeOver(err);
    case Switch::kAborted:
      break;
  }
  return EncodeStatus::kStopped;
}

// Compares the items of two done chunks, a before b, from b's start to the
// end of a's: the first index where they have been the same over a whole
// window, b having taken in every position of it, and every item before it
// had the whole look-ahead (at the very end a literal can hide a match that
// took a position out). Where they agree, a's encoder is let go.
void ParallelEncoder::Compare(Chunk& a, Chunk& b) {
  const ItemRecord& ra = a.record;
  const ItemRecord& rb = b.record;
  ItemRecord::Cursor x = ra.Seek(b.start);
  ItemRecord::Cursor y = rb.First();
  const int64_t x_end = ra.End().item;
  const int64_t y_end = rb.End().item;
  const int64_t earliest = int64_t{b.start} + kWindowSpan;
  const int64_t latest = int64_t{size_} - kMaxMatch;
  int64_t agree = -1;  // the index from which both have had the same items, or -1
  b.compared = true;
  b.agrees = false;
  while (x.item < x_end && y.item < y_end) {
    if (x.at == y.at) {
      const int64_t c = x.at;
      if (agree >= 0 && c - agree >= kWindowSpan && c >= earliest && c <= latest) {
        b.agrees = true;
        b.agree_before = x;
        b.agree_here = y;
        a.coder.reset();
        return;
      }
      agree = ra.Same(x, rb, y) ? (agree < 0 ? c : agree) : -1;
      ra.Step(&x);
      rb.Step(&y);
    } else if (x.at < y.at) {
      agree = -1;
      ra.Step(&x);
    } else {
      agree = -1;
      rb.Step(&y);
    }
  }
}

// Compares the chunks in flight that are done, beyond the first two (which
// Join takes), so that encoders no longer needed are let go early.
void ParallelEncoder::CompareDone() {
  for (size_t k = 1; k + 1 < live_.size(); ++k) {
    Chunk& a = *live_[k];
    Chunk& b = *live_[k + 1];
    if (b.compared) continue;
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (a.state != Chunk::State::kDone || b.state != Chunk::State::kDone) continue;
    }
    Compare(a, b);
  }
}

// Walks a's and b's items from b's start on as Compare does, a going on
// into b when its items run out, until they agree at an index where a's
// items are the stream's: *x and *y are the items there. kNone when a
// reaches b's end first.
ParallelEncoder::Switch ParallelEncoder::FindSwitch(Chunk& a, const Chunk& b, ItemRecord::Cursor* x,
                                                    ItemRecord::Cursor* y) {
  ItemRecord& ra = a.record;
  const ItemRecord& rb = b.record;
  *x = ra.Seek(b.start);
  *y = rb.First();
  const int64_t y_end = rb.End().item;
  // The index from which both have had the same items, or -1.
  int64_t agree = -1;
  // A switch at index c needs b to have taken in every position of c's
  // window, and a's items to be the stream's there; and the items before c
  // must all have had the whole look-ahead (at the very end a literal can
  // hide a match that took a position out).
  const int64_t earliest = std::max<int64_t>(a.from.at, int64_t{b.start} + kWindowSpan);
  const int64_t latest = int64_t{size_} - kMaxMatch;
  for (;;) {
    if (x->item == ra.End().item) {
      if (a.coder->index() >= b.end) return Switch::kNone;
      const int32_t until =
          static_cast<int32_t>(std::min<int64_t>(b.end, int64_t{a.coder->index()} + kFurtherStep));
      if (a.coder->EncodeTo(until, ra) != EncodeStatus::kDone) return Switch::kAborted;
      a.needs_from = a.coder->read_at();
      continue;
    }
    const int64_t y_at = y->item < y_end ? y->at : INT64_MAX;
    if (x->at == y_at) {
      const int64_t c = x->at;
      if (agree >= 0 && c - agree >= kWindowSpan && c >= earliest && c <= latest) return Switch::kFound;
      if (ra.Same(*x, rb, *y)) {
        if (agree < 0) agree = c;
      } else {
        agree = -1;
      }
      ra.Step(x);
      rb.Step(y);
    } else if (x->at < y_at) {
      agree = -1;
      ra.Step(x);
    } else {
      agree = -1;
      rb.Step(y);
    }
  }
}

// a's items are the stream's up to b's end and beyond: a goes on as b. What
// the join after needs of them (from the next chunk's start on) is kept,
// the rest written now.
EncodeStatus ParallelEncoder::TakeOver(std::string* err) {
  Chunk& a = *live_[0];
  const Chunk& b = *live_[1];
  ItemRecord& ra = a.record;
  ItemRecord::Cursor keep = live_.size() > 2 ? ra.Seek(live_[2]->start) : ra.End();
  if (keep.item < a.from.item) keep = a.from;
  const EncodeStatus s = Replay(a, keep, err);
  if (s != EncodeStatus::kDone) return s;
  ra.DropBefore(a.from);
  a.from = ra.First();
  a.begin = b.begin;
  a.end = b.end;
  if (live_.size() > 2) live_[2]->compared = false;  // it was compared with b
  std::swap(live_[0], live_[1]);  // b is done: nothing else holds it
  return EncodeStatus::kDone;
}

// Writes c's items from c.from up to to.
EncodeStatus ParallelEncoder::Replay(Chunk& c, const ItemRecord::Cursor& to, std::string* err) {
  if (!out_->groups.Items(c.record, c.from, to, err)) return EncodeStatus::kFailed;
  c.from = to;
  return out_->Passed(to.at) ? EncodeStatus::kStopped : EncodeStatus::kDone;
}

void ParallelEncoder::StartChunk(Chunk& c) {
  c.record.Start(c.start, int64_t{c.end} - c.start + kFurtherStep);
  if (!c.coder) {
    if (level_ > kRowLevelMax)
      c.coder = std::make_unique<CoderOf<ChainEncoder>>(level_, *window_, size_, abort_);
    else
      c.coder = std::make_unique<CoderOf<RowEncoder>>(level_, *window_, size_, abort_);
  }
  c.coder->Reset(c.start);
  c.started = true;
}

ParallelEncoder::Chunk* ParallelEncoder::TakeWaiting() {
  std::lock_guard<std::mutex> lock(mu_);
  if (waiting_.empty()) return nullptr;
  Chunk* c = waiting_.front();
  waiting_.pop_front();
  c->state = Chunk::State::kRunning;
  ++running_;
  return c;
}

void ParallelEncoder::Finished(Chunk& c, EncodeStatus s) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    c.state = s == EncodeStatus::kDone ? Chunk::State::kDone : Chunk::State::kAborted;
    --running_;
  }
  changed_.notify_all();
}

bool ParallelEncoder::HelpOnce() {
  Chunk* c = TakeWaiting();
  if (c == nullptr) return false;
  EncodeStatus s = EncodeStatus::kStopped;
  if (!abort_) {
    StartChunk(*c);
    s = c->coder->EncodeTo(c->end, c->record);
  }
  Finished(*c, s);
  return true;
}

void ParallelEncoder::HelpUntilDone() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mu_);
      changed_.wait(lock, [&] { return ended_ || !waiting_.empty(); });
      if (ended_) return;
    }
    HelpOnce();
  }
}

bool ParallelEncoder::HasWork() const {
  std::lock_guard<std::mutex> lock(mu_);
  return !waiting_.empty();
}

// Stops the chunks still being encoded, waits for them and frees them.
void ParallelEncoder::End() {
  abort_ = true;
  if (own_ != nullptr) {
    Finished(*own_, EncodeStatus::kStopped);
    own_ = nullptr;
  }
  {
    std::unique_lock<std::mutex> lock(mu_);
    ended_ = true;
    waiting_.clear();
    changed_.notify_all();
    changed_.wait(lock, [&] { return running_ == 0; });
  }
  live_.clear();
  spare_.clear();
  window_.reset();
}

bool EncodeStreamOnThreads(int32_t size, const ReadFn& read, const WriteFn& write,
                           const CodecParams& params, int jobs, int64_t* compLen, bool* stopped,
                           std::string* err, const ParallelOptions* options) {
  *compLen = 0;
  *stopped = false;
  if (!CheckCode(params.code, err)) return false;
  if (size <= 0) return true;
  ParallelOptions o = options ? *options : ParallelOptions{};
  o.width = std::clamp(jobs, 1, kParallelWidthMax);
  const int32_t chunk = o.chunk > 0 ? o.chunk : DefaultChunkSize(o.width);
  if (o.width <= 1 || size <= chunk) return EncodeStream(size, read, write, params, compLen, stopped, err);

  auto enc = std::make_shared<ParallelEncoder>(size, params, o);
  std::vector<std::thread> helpers;
  for (int i = 1; i < o.width; ++i) {
    try {
      helpers.emplace_back([enc] { enc->HelpUntilDone(); });
    } catch (const std::system_error&) {
      break;  // fewer threads: the same stream, later
    }
  }
  const bool ok = enc->Run(read, write, compLen, stopped, err);
  for (std::thread& t : helpers) t.join();
  return ok;
}

}  // namespace codec
