#pragma once
// clsZip: the file-based face of the codec. Compress appends one stream to an
// open file; Decompress decodes the stream at an offset of a file into a file
// of its own. An empty code array means "mask with the format mask alone".

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "platform/files.h"

class clsZip {
 public:
  // Raised after each input read (Compress) or output write (Decompress)
  // with the number of bytes read or written.
  std::function<void(int32_t dwWriteBytes)> FileProgress;

  // Asks a running Compress or Decompress to stop at its next checkpoint.
  // Safe to call from another thread.
  void StopProcess() { m_bStop = true; }

  // Appends the stream of strInputFileName at the end of intOutPutFile and
  // sets *compLen to the number of compressed bytes after the 4-byte header.
  // A missing or empty input writes nothing and gives 0. A stopped call gives 0
  // and returns true with *stopped set (when given).
  bool Compress(const std::string& strInputFileName, platform::File& intOutPutFile,
                std::span<const uint8_t> btXorCode, int16_t wCompressLevel, int32_t* compLen,
                std::string* err, bool* stopped = nullptr);

  // Decodes the stream whose header is at dwStartOff of strInputFileName into
  // strOutputFileName (created or truncated). A missing input writes nothing.
  // A truncated or corrupt stream fails with a message.
  bool Decompress(const std::string& strInputFileName, const std::string& strOutputFileName,
                  std::span<const uint8_t> btXorCode, int64_t dwStartOff, std::string* err);

  // The first four bytes of the file, little-endian.
  bool GetOriginalSize(const std::string& strInputFileName, int32_t* size, std::string* err);

  ~clsZip() { m_bStop = true; }

  std::atomic<bool> m_bStop{false};
};
