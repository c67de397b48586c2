#pragma once
// One stream encoded on several threads, byte for byte the stream
// EncodeStream writes.
//
// The input is cut into chunks. Each chunk is encoded by an encoder of its
// own that starts `lead` bytes before the chunk (rounded down to a multiple
// of kMaxMatch) with empty chains and records its items (a chunk's encoder
// runs on any thread that helps). An encoder's state at an item's start is the bytes and its chains: the
// positions of the last kRingSize - kMaxMatch indexes, less those that a
// full-length match took out, and a match takes out exactly the position
// it refers to. So where two encoders have both taken in every position of
// that window and chosen the same items (start, length, position) over the
// whole window, their states are the same, and so is everything they encode
// after it. The thread that runs the encode (Run) compares each chunk's
// items with those of the chunk before it; at the first index where they
// have agreed that long, the later chunk's items take over. Where they have
// not agreed by the end of the earlier chunk's items, the earlier chunk's
// encoder goes on into the later chunk until they do, and takes the later
// chunk over entirely if they never do. The items then go into groups,
// blocks and progress reports in one pass in stream order, as one encoder's
// would. Between joins the Run thread encodes chunks too, a piece at a time.
//
// Memory is bounded by the chunks in flight (width + 2 at most): their
// input, their items (at most 2 bytes per input byte: a byte and a flag per
// literal) and one encoder state each (about 1 MiB).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "codec/encoder_input.h"
#include "codec/item_record.h"
#include "codec/stream_io.h"

namespace codec {

struct ParallelOptions {
  // Chunks encoded at once: the Run thread and the threads that help.
  int width = 2;
  // Bytes per chunk, and bytes each chunk's encoder starts before its chunk;
  // 0 and -1 choose them (tests make them small to meet every case).
  int32_t chunk = 0;
  int32_t lead = -1;
};

// Default sizes: chunks long enough that the lead and the comparison cost
// about 1% of the work, short enough that width + 2 of them stay well under
// the build's memory bound.
inline constexpr int kParallelWidthMax = 8;
int32_t DefaultChunkSize(int width);
inline constexpr int32_t kDefaultLead = 16 << 10;

// How the chunks were joined (for tests and benchmarks).
struct ParallelStats {
  int chunks = 0;
  int joined_in_lead = 0;   // agreement found within the items a chunk's encoder had
  int joined_further = 0;   // the earlier encoder went on into the chunk until they agreed
  int taken_over = 0;       // no agreement: the earlier encoder encoded the chunk itself
};

class ParallelEncoder {
 public:
  // Make it with std::make_shared: threads that help keep it alive.
  ParallelEncoder(int32_t size, const CodecParams& params, const ParallelOptions& options);
  ~ParallelEncoder();
  ParallelEncoder(const ParallelEncoder&) = delete;
  ParallelEncoder& operator=(const ParallelEncoder&) = delete;

  // Encodes the stream of size bytes (> 0) pulled from read into write, as
  // EncodeStream does: header, masked blocks, the progress reports (the same
  // counts) and the stop request checked after every report but the first.
  // Runs on the calling thread, which encodes chunks itself when it has
  // nothing else to do. Call once.
  bool Run(const ReadFn& read, const WriteFn& write, int64_t* compLen, bool* stopped,
           std::string* err);

  // For threads that help: encodes one waiting chunk, if there is one, and
  // returns whether it did. Safe to call before, during and after Run.
  bool HelpOnce();
  // Helps until the encode has ended.
  void HelpUntilDone();
  // Whether a chunk is waiting for a thread.
  bool HasWork() const;
  // Called on the Run thread whenever chunks start waiting; a pool of
  // threads wakes its idle ones there. Set before Run.
  void OnWork(std::function<void()> notify) { on_work_ = std::move(notify); }

  ParallelStats stats() const { return stats_; }

 private:
  struct Chunk;
  class Window;
  class Coder;
  template <class Encoder>
  class CoderOf;

  EncodeStatus Loop(const ReadFn& read, std::string* err);
  bool Post(const ReadFn& read, std::string* err);
  enum class Switch { kFound, kNone, kAborted };
  EncodeStatus Join(std::string* err);
  void Compare(Chunk& a, Chunk& b);
  void CompareDone();
  Switch FindSwitch(Chunk& a, const Chunk& b, ItemRecord::Cursor* x, ItemRecord::Cursor* y);
  EncodeStatus TakeOver(std::string* err);
  EncodeStatus Replay(Chunk& c, const ItemRecord::Cursor& to, std::string* err);
  void StartChunk(Chunk& c);
  Chunk* TakeWaiting();
  void Finished(Chunk& c, EncodeStatus s);
  bool ReadyLocked() const;
  void End();

  const int32_t size_;
  const CodecParams& params_;  // used on the Run thread only
  const int16_t level_;
  int width_;
  int32_t chunk_;
  int32_t lead_;
  int chunk_count_;
  size_t max_live_;

  std::unique_ptr<Window> window_;
  std::deque<std::unique_ptr<Chunk>> live_;  // the chunks from the first not yet written on
  std::vector<std::unique_ptr<Chunk>> spare_;  // written chunks, to be used again
  int posted_ = 0;                           // chunks made so far
  Chunk* own_ = nullptr;                     // the chunk the Run thread encodes, if any

  // The output side, on the Run thread only.
  class Output;
  std::unique_ptr<Output> out_;

  mutable std::mutex mu_;
  std::condition_variable changed_;  // a chunk was posted or finished, or Run ended
  std::deque<Chunk*> waiting_;
  int running_ = 0;
  bool ended_ = false;
  std::atomic<bool> abort_{false};
  std::function<void()> on_work_;
  ParallelStats stats_;
};

// EncodeStream on up to jobs threads: the calling one and jobs - 1 that it
// starts for the length of the call. Inputs of one chunk or less, and jobs
// <= 1, are encoded by EncodeStream alone. Same results as EncodeStream.
bool EncodeStreamOnThreads(int32_t size, const ReadFn& read, const WriteFn& write,
                           const CodecParams& params, int jobs, int64_t* compLen, bool* stopped,
                           std::string* err, const ParallelOptions* options = nullptr);

}  // namespace codec
