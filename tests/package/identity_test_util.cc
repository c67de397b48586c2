#include "identity_test_util.h"

#include <cstdlib>

#include "../platform/scratch_dir.h"
#include "platform/files.h"

namespace identity_test {
namespace {

void Put16(std::string* s, uint32_t v) {
  s->push_back(static_cast<char>(v & 0xFF));
  s->push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string* s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
void PutBig32(std::string* s, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s->push_back(static_cast<char>((v >> shift) & 0xFF));
}

}  // namespace

std::string DibImage(uint32_t w, uint32_t h, uint8_t seed) {
  std::string d;
  Put32(&d, 40);
  Put32(&d, w);
  Put32(&d, 2 * h);
  Put16(&d, 1);
  Put16(&d, 32);
  for (int i = 0; i < 6; ++i) Put32(&d, 0);
  for (uint32_t i = 0; i < w * h * 4; ++i) d.push_back(static_cast<char>((i * 31 + seed) & 0xFF));
  d.append(((w + 31) / 32 * 4) * h, '\0');
  return d;
}

std::string PngImage(uint32_t w, uint32_t h) {
  std::string d = "\x89PNG\r\n\x1a\n";
  PutBig32(&d, 13);
  d += "IHDR";
  PutBig32(&d, w);
  PutBig32(&d, h);
  d += std::string("\x08\x06\x00\x00\x00", 5);
  PutBig32(&d, 0x12345678);  // the chunk's CRC: not checked
  return d;
}

std::string IcoFile(const std::vector<IcoImage>& images) {
  std::string f;
  Put16(&f, 0);
  Put16(&f, 1);
  Put16(&f, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const IcoImage& i : images) {
    f.push_back(static_cast<char>(i.w >= 256 ? 0 : i.w));
    f.push_back(static_cast<char>(i.h >= 256 ? 0 : i.h));
    f.push_back('\0');
    f.push_back('\0');
    Put16(&f, 1);
    Put16(&f, 32);
    Put32(&f, static_cast<uint32_t>(i.data.size()));
    Put32(&f, offset);
    offset += static_cast<uint32_t>(i.data.size());
  }
  for (const IcoImage& i : images) f += i.data;
  return f;
}

std::string StubImage(const std::string& name) {
  const char* bin = std::getenv("QR_BINARY_DIR");
  if (bin == nullptr) return "";
  for (const char* dir : {"/stub-win/bin/", "/bin/"}) {
    std::string path = std::string(bin) + dir + name + ".exe";
    if (platform::PathExists(path)) return ReadWholeFile(path);
  }
  return "";
}

std::string WithoutMark(std::string image) {
  // The mark's name as the resource tree stores it: UTF-16, uppercase.
  std::string name;
  for (char c : std::string("QRIDENTITY")) {
    name.push_back(c);
    name.push_back('\0');
  }
  size_t at = image.find(name);
  if (at != std::string::npos) image[at + name.size() - 2] = 'X';
  return image;
}

}  // namespace identity_test
