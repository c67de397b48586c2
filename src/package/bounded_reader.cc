#include "package/bounded_reader.h"

#include <algorithm>
#include <cstring>

#include "package/messages.h"

namespace package {
namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

// Makes bytes [pos_, pos_ + n) available in buf_.
bool BoundedReader::Fill(size_t n, std::string* err) {
  if (n > static_cast<uint64_t>(std::max<int64_t>(left(), 0))) {
    if (err) *err = msg::kPastLimit;
    return false;
  }
  int64_t have_end = buf_start_ + static_cast<int64_t>(buf_.size());
  if (pos_ >= buf_start_ && pos_ + static_cast<int64_t>(n) <= have_end) return true;
  size_t want = static_cast<size_t>(std::min<int64_t>(left(), std::max(n, kBufferSize)));
  buf_.resize(want);
  if (!file_.Seek(pos_, err) || !file_.ReadExact(buf_.data(), want, err)) {
    buf_.clear();
    return false;
  }
  buf_start_ = pos_;
  return true;
}

bool BoundedReader::ReadBytes(size_t n, std::string* out, std::string* err) {
  if (!Fill(n, err)) return false;
  const uint8_t* p = buf_.data() + (pos_ - buf_start_);
  out->assign(reinterpret_cast<const char*>(p), n);
  pos_ += static_cast<int64_t>(n);
  return true;
}

bool BoundedReader::ReadU8(uint8_t* v, std::string* err) {
  if (!Fill(1, err)) return false;
  *v = buf_[static_cast<size_t>(pos_ - buf_start_)];
  pos_ += 1;
  return true;
}

bool BoundedReader::ReadI16(int16_t* v, std::string* err) {
  if (!Fill(2, err)) return false;
  *v = GetI16(buf_.data() + (pos_ - buf_start_));
  pos_ += 2;
  return true;
}

bool BoundedReader::ReadI32(int32_t* v, std::string* err) {
  if (!Fill(4, err)) return false;
  *v = GetI32(buf_.data() + (pos_ - buf_start_));
  pos_ += 4;
  return true;
}

bool BoundedReader::ReadCodedString(const XorKey& key, std::string* bytes, std::string* err) {
  int16_t len = 0;
  if (!ReadI16(&len, err)) return false;
  if (len < 0) {
    if (err) *err = msg::kNegativeLength;
    return false;
  }
  if (!ReadBytes(static_cast<size_t>(len), bytes, err)) return false;
  XorBytes(std::span<uint8_t>(reinterpret_cast<uint8_t*>(bytes->data()), bytes->size()), key);
  return true;
}

bool BoundedReader::Skip(int64_t n, std::string* err) {
  if (n < 0 || n > left()) {
    if (err) *err = msg::kPastLimit;
    return false;
  }
  pos_ += n;
  return true;
}

}  // namespace package
