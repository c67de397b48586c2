#pragma once
// The file records and the solid data of a compact package (docs/format.md
// "The compact package"): every payload file's record (RelPath and size),
// then the files' bytes in record order as one zstd frame, compressed by
// zstd's own multi-threaded compressor with long matching. The bytes are the
// same whatever the number of threads.

#include <cstdint>
#include <string>
#include <vector>

#include "package/record_pipeline.h"

namespace package {

// The compressor's settings, chosen by measurement (docs/performance.md):
// level and window (2^kSolidWindowLog bytes, at most what readers allow),
// the input each worker compresses at a time, and the workers at most.
inline constexpr int kSolidLevel = 6;
inline constexpr int kSolidWindowLog = 27;
inline constexpr int kSolidJobSize = 16 << 20;
inline constexpr int kSolidMaxWorkers = kMaxWorkers;
static_assert(kSolidWindowLog <= kSolidWindowLogMax);

// Appends the records of jobs and their solid data at *target.end, reading
// each file in order and checking it still has its size; threads workers
// compress (1 to kSolidMaxWorkers). Progress reports the bytes read; a stop
// request ends it within a piece, returning false with *err empty. Fails
// with msg::kTooLarge when the compressed data would not fit in an i32.
bool WriteSolidData(const std::vector<RecordJob>& jobs, int threads, const RecordTarget& target,
                    std::string* err);

}  // namespace package
