#include "package/layout.h"

#include "package/messages.h"

namespace package {

void PutI16(std::string* out, int16_t v) {
  uint16_t u = static_cast<uint16_t>(v);
  out->push_back(static_cast<char>(u & 0xFF));
  out->push_back(static_cast<char>(u >> 8));
}

void PutI32(std::string* out, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int16_t GetI16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

int32_t GetI32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}

void XorBytes(std::span<uint8_t> data, const XorKey& key) {
  if (data.size() <= kXorKeySize) {
    for (size_t i = 0; i < data.size(); ++i) data[i] ^= key[i] ^ codec::kFormatMask;
    return;
  }
  for (size_t i = 0; i < data.size(); ++i) data[i] ^= key[i % kXorKeyModulus] ^ codec::kFormatMask;
}

bool AppendCodedString(std::string* out, std::string_view bytes, const XorKey& key,
                       std::string* err) {
  if (bytes.size() > kMaxCodedStringBytes) {
    if (err) *err = msg::kCodedStringTooLong;
    return false;
  }
  PutI16(out, static_cast<int16_t>(bytes.size()));
  size_t at = out->size();
  out->append(bytes);
  XorBytes(std::span<uint8_t>(reinterpret_cast<uint8_t*>(out->data()) + at, bytes.size()), key);
  return true;
}

std::string EncodeTrailer(const Trailer& t) {
  std::string out;
  PutI32(&out, t.total ^ codec::kFormatMask);
  PutI32(&out, t.config_offset ^ codec::kFormatMask);
  PutI32(&out, t.record_count ^ codec::kFormatMask);
  return out;
}

Trailer DecodeTrailer(const uint8_t (&bytes)[kTrailerSize]) {
  Trailer t;
  t.total = GetI32(bytes) ^ codec::kFormatMask;
  t.config_offset = GetI32(bytes + 4) ^ codec::kFormatMask;
  t.record_count = GetI32(bytes + 8) ^ codec::kFormatMask;
  return t;
}

}  // namespace package
