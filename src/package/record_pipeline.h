#pragma once
// The file records of a package, encoded on several threads and appended in
// order, so the package is the same bytes whatever the number of threads.
//
// Workers take the files in order. A worker whose file is next in line while
// the package is idle streams the record straight into the package; any
// other worker encodes into memory drawn from one budget shared by the build
// (kMemoryBudget) and, once the budget is spent, into a temporary file beside
// the package. The build's thread appends finished records in order and
// removes each temporary file once copied; a record still being encoded when
// its turn comes moves what it holds into the package and streams the rest
// there. Workers run ahead of the next record by at most kMaxAhead records
// and kMaxAheadBytes of input (but always by one record), so memory and
// temporary space stay bounded whatever the size of the tree or of one file,
// while a large file in line keeps no other worker waiting long.
//
// A file of kParallelMinSize bytes or more is encoded in chunks on every
// worker that is free (codec::ParallelEncoder): its worker runs the encode
// and the others take its chunks before they take further files, so one
// large file keeps every thread busy too. One such file is split at a time;
// the others meanwhile are encoded whole, as small files are.
//
// The first failure in file order is the one reported, with the message a
// one-thread build gives; the remaining work is stopped and every temporary
// file is removed. A stop request ends the work the same way.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "package/build_request.h"
#include "package/layout.h"

namespace package {

// Bytes of encoded records held in memory at once, over all workers.
inline constexpr int64_t kMemoryBudget = 16 << 20;
// Records claimed beyond the next one to append, and their input bytes.
inline constexpr int kMaxAhead = 1024;
inline constexpr int64_t kMaxAheadBytes = 256 << 20;
// Workers at most, whatever the number of jobs asked for: each holds an
// encoder's tables (about 1 MiB) while it encodes, and the build's memory
// must stay bounded.
inline constexpr int kMaxWorkers = 8;
// Files this large are split among the workers (four chunks or more).
inline constexpr int64_t kParallelMinSize = 4 << 20;

struct RecordJob {
  std::string name_gbk;  // RelPath in code page 936
  std::string source;    // the file to encode
  int64_t size = 0;      // the size it was collected with; it must still have it
};

struct RecordTarget {
  platform::File* package = nullptr;  // records go at *end, which advances
  int64_t* end = nullptr;
  const XorKey* key = nullptr;
  std::string save_path;  // named in write failures; temporary files go beside it
  BuildProgress* progress = nullptr;  // called on the calling thread only
  int64_t memory_budget = kMemoryBudget;  // tests lower it to make records spill
  // The build's stop request: the records stop within a codec block or a copy
  // piece, and WriteRecords returns false with *err empty.
  const std::atomic<bool>* stop = nullptr;
  // Tests lower these to split small files into small chunks (0: the
  // default), and count the files split.
  int64_t parallel_min_size = kParallelMinSize;
  int32_t parallel_chunk = 0;
  int* files_split = nullptr;
};

// Appends the records of jobs in order, encoding with up to threads workers.
bool WriteRecords(const std::vector<RecordJob>& jobs, int threads, const RecordTarget& target,
                  std::string* err);

}  // namespace package
