#pragma once
// Compact packages as no builder would write them: zstd frames made by hand
// (raw blocks, so any window, content size or dictionary id can be claimed)
// and the solid data of a built package replaced by other frames. The
// replaced package's digest is emptied, so the setup program's own checks
// meet the damage.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace stubtest {

// A zstd frame (RFC 8878) whose blocks hold data as it is.
struct RawFrame {
  int window_log = 20;                      // the window descriptor: 2^window_log bytes
  int window_mantissa = 0;                  // + mantissa eighths of that
  std::optional<uint64_t> content_size;     // the frame content size field, when set
  uint32_t dictionary_id = 0;               // the dictionary id field, when not 0
};
RawFrame Window(int log, int mantissa = 0);
RawFrame Declaring(uint64_t content_size);
RawFrame Dictionary(uint32_t id);
std::string MakeRawFrame(const std::string& data, const RawFrame& how = {});
// A skippable frame (magic 0x184D2A50) of data.
std::string MakeSkippableFrame(const std::string& data);

// One frame of solid data: its files field and its bytes (compLen is their size).
struct SolidFrameBytes {
  int32_t files = 0;
  std::string bytes;
};
// The solid data: frameCount (masked) and the frames.
std::string SolidData(const std::vector<SolidFrameBytes>& frames);

// The bytes of the files in a compact package's solid data, concatenated
// in record order, and how many files there are.
struct SolidContent {
  std::string bytes;
  int32_t files = 0;
};
SolidContent ReadSolidContent(const std::wstring& package);

// Writes package with its solid data (frameCount and frames) replaced by
// solid_data, everything before and after it as it was, and its digest
// emptied.
void ReplaceSolidData(const std::wstring& package, const std::string& solid_data,
                      const std::wstring& out);

}  // namespace stubtest
