#pragma once
// Decodes the solid data of a compact package (docs/format.md "The compact
// package") file by file, in record order, streaming: one zstd frame at a
// time, read in pieces, its window at most 2^kSolidWindowLogMax bytes, so
// the memory used stays within kSolidDecodeMemory whatever the package says.
// The setup program, qrpack's list, verify and extract, and the fuzz target
// read compact packages through this.
//
// A frame that decodes to more or fewer bytes than its files' sizes, claims
// a larger window, names a dictionary, declares another content size, or is
// followed by bytes inside its compLen is refused as damage of the package
// (msg::kPackageDamaged ...), at the latest when its last file ends: a caller
// that must write nothing of a damaged package keeps each file aside until
// DecodeNext has returned true for the last file of the package
// (PackageContents::solid_files). PackageReader::Open has already checked
// every frame's count, place and header.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "codec/stream_io.h"
#include "package/package_reader.h"
#include "platform/files.h"

namespace package {

class SolidFrameDecoder;

class SolidReader {
 public:
  // file and c (read by PackageReader::Open, c.solid set) must outlive the
  // reader; the reader moves file's position.
  SolidReader(platform::File& file, const PackageContents& c);
  ~SolidReader();
  SolidReader(const SolidReader&) = delete;
  SolidReader& operator=(const SolidReader&) = delete;

  // The record the next DecodeNext call decodes; c.solid_files when every
  // file of the solid data has been decoded.
  size_t next() const { return next_; }
  bool done() const { return next_ == files_; }
  // Whether a call failed: every later call fails the same way.
  bool failed() const { return failed_; }

  // Decodes record next() into write, in pieces of at most 128 KiB, and
  // moves on to the following record. progress, when set, receives each
  // piece's size as it is written; cancel, when set, is read between pieces
  // and stops with msg::kStopped. A failure of write fails with write's own
  // message, as it is; damage fails with msg::kPackageDamaged, naming the
  // file. After any failure every later call fails.
  bool DecodeNext(const codec::WriteFn& write, const codec::ProgressFn& progress,
                  const std::atomic<bool>* cancel, std::string* err);
  // Decodes record next() and drops its bytes.
  bool SkipNext(const std::atomic<bool>* cancel, std::string* err);

 private:
  bool StartFrame(std::string* err);
  bool Fail(std::string* err);

  platform::File& file_;
  const PackageContents& c_;
  size_t files_ = 0;       // records in the solid data
  size_t next_ = 0;        // the next record
  size_t frames_started_ = 0;
  size_t frame_end_ = 0;   // the record after the current frame's last
  std::unique_ptr<SolidFrameDecoder> decoder_;
  bool failed_ = false;
  std::string failure_;
};

}  // namespace package
