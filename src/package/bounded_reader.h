#pragma once
// Sequential, buffered reading of a region [start, limit) of an open file,
// for the package's small fields. A read that would pass the limit fails
// with kPastLimit instead of reading what follows the region.

#include <cstdint>
#include <string>
#include <vector>

#include "package/layout.h"
#include "platform/files.h"

namespace package {

class BoundedReader {
 public:
  BoundedReader(platform::File& file, int64_t start, int64_t limit)
      : file_(file), pos_(start), limit_(limit) {}

  int64_t pos() const { return pos_; }
  int64_t left() const { return limit_ - pos_; }

  bool ReadBytes(size_t n, std::string* out, std::string* err);
  bool ReadU8(uint8_t* v, std::string* err);
  bool ReadI16(int16_t* v, std::string* err);
  bool ReadI32(int32_t* v, std::string* err);
  // A coded string: i16 length 0..32767, then that many bytes, decoded with key.
  bool ReadCodedString(const XorKey& key, std::string* bytes, std::string* err);
  bool Skip(int64_t n, std::string* err);

 private:
  bool Fill(size_t n, std::string* err);

  platform::File& file_;
  int64_t pos_;
  int64_t limit_;
  std::vector<uint8_t> buf_;
  int64_t buf_start_ = 0;  // file offset of buf_[0]
};

}  // namespace package
