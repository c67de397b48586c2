#pragma once
// clsZip: the file-based face of the codec. Compress appends one stream to an
// open file; Decompress decodes the stream at an offset of a file into a file
// of its own. An empty code array means "mask with the format mask alone";
// otherwise it must hold at least 2 bytes.

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/files.h"

class clsZip {
 public:
  // Raised after each input read (Compress) or output write (Decompress)
  // with the number of bytes read or written, on the calling thread.
  std::function<void(int32_t dwWriteBytes)> FileProgress;

  // Asks a running Compress or Decompress to stop at its next checkpoint
  // (Compress: after each input read but the first; Decompress: after each
  // full 40960-byte output write). Safe to call from another thread or from
  // FileProgress. Every Compress and Decompress clears the request first.
  void StopProcess() { m_bStop = true; }

  // Appends the stream of strInputFileName at the end of intOutPutFile and
  // sets *compLen to the number of compressed bytes after the 4-byte header.
  // A missing or empty input (or a directory) writes nothing and gives 0. A
  // stopped call gives 0 and returns true with *stopped set (when given); the
  // header and full blocks written before the stop stay in intOutPutFile.
  // Inputs of 2 GiB or more, and streams whose compressed length would not
  // fit 32 bits, are refused.
  bool Compress(const std::string& strInputFileName, platform::File& intOutPutFile,
                std::span<const uint8_t> btXorCode, int16_t wCompressLevel, int32_t* compLen,
                std::string* err, bool* stopped = nullptr);

  // Decodes the stream whose header is at dwStartOff of strInputFileName into
  // strOutputFileName (created or truncated; never the input itself). The
  // stream may use the rest of the input file. A missing input, an offset
  // outside the file, or a truncated or corrupt stream fails with a message
  // and leaves no output file. A stopped call returns true with *stopped set
  // (when given); the output then keeps the full buffers written so far.
  bool Decompress(const std::string& strInputFileName, const std::string& strOutputFileName,
                  std::span<const uint8_t> btXorCode, int64_t dwStartOff, std::string* err,
                  bool* stopped = nullptr);

  // The first four bytes of the file, little-endian (the original size of
  // the stream that starts the file).
  bool GetOriginalSize(const std::string& strInputFileName, int32_t* size, std::string* err);

  ~clsZip() { m_bStop = true; }

  std::atomic<bool> m_bStop{false};
  // Threads one Compress may use for a large input (1: the calling thread
  // alone). The stream is the same bytes whatever the number; FileProgress
  // is still raised on the calling thread only.
  int m_jobs = 1;
};
