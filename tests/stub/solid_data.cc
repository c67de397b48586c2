#include "solid_data.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "package/layout.h"
#include "package/package_reader.h"
#include "package/solid_reader.h"
#include "package_fixture.h"
#include "stub_test_util.h"

namespace stubtest {
namespace {

constexpr uint32_t kFrameMagic = 0xFD2FB528;
constexpr uint32_t kSkippableMagic = 0x184D2A50;
constexpr size_t kMaxBlock = 128 * 1024;

void PutLe(std::string* out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>(v >> (8 * i)));
}

}  // namespace

RawFrame Window(int log, int mantissa) {
  RawFrame how;
  how.window_log = log;
  how.window_mantissa = mantissa;
  return how;
}

RawFrame Declaring(uint64_t content_size) {
  RawFrame how;
  how.content_size = content_size;
  return how;
}

RawFrame Dictionary(uint32_t id) {
  RawFrame how;
  how.dictionary_id = id;
  return how;
}

std::string MakeRawFrame(const std::string& data, const RawFrame& how) {
  std::string out;
  PutLe(&out, kFrameMagic, 4);
  int dict_bytes = how.dictionary_id == 0 ? 0 : how.dictionary_id < 256 ? 1 : 4;
  int dict_flag = dict_bytes == 4 ? 3 : dict_bytes;
  // Frame header descriptor: an 8-byte content size (flag 3) or none, no
  // single segment (so the window descriptor follows), no checksum.
  uint8_t descriptor = static_cast<uint8_t>((how.content_size ? 3 << 6 : 0) | dict_flag);
  out.push_back(static_cast<char>(descriptor));
  out.push_back(static_cast<char>(((how.window_log - 10) << 3) | how.window_mantissa));
  PutLe(&out, how.dictionary_id, dict_bytes);
  if (how.content_size) PutLe(&out, *how.content_size, 8);
  size_t at = 0;
  do {
    size_t n = std::min(kMaxBlock, data.size() - at);
    bool last = at + n == data.size();
    PutLe(&out, (n << 3) | (last ? 1 : 0), 3);  // a raw block
    out.append(data, at, n);
    at += n;
  } while (at < data.size());
  return out;
}

std::string MakeSkippableFrame(const std::string& data) {
  std::string out;
  PutLe(&out, kSkippableMagic, 4);
  PutLe(&out, data.size(), 4);
  return out + data;
}

std::string SolidData(const std::vector<SolidFrameBytes>& frames) {
  std::string out;
  package::PutI32(&out, static_cast<int32_t>(frames.size()) ^ codec::kFormatMask);
  for (const SolidFrameBytes& f : frames) {
    package::PutI32(&out, f.files);
    package::PutI32(&out, static_cast<int32_t>(f.bytes.size()));
    out += f.bytes;
  }
  return out;
}

SolidContent ReadSolidContent(const std::wstring& pkg) {
  SolidContent content;
  package::PackageReader reader;
  std::string err;
  EXPECT_TRUE(reader.Open(Narrow(pkg), &err)) << err;
  const package::PackageContents& c = reader.contents();
  EXPECT_TRUE(c.solid) << Narrow(pkg);
  if (!c.solid) return content;
  auto file = platform::File::Open(Narrow(pkg), platform::File::Mode::kRead, &err);
  package::SolidReader solid(*file, c);
  auto sink = [&](const uint8_t* p, size_t n, std::string*) {
    content.bytes.append(reinterpret_cast<const char*>(p), n);
    return true;
  };
  while (!solid.done())
    if (!solid.DecodeNext(sink, nullptr, nullptr, &err)) {
      ADD_FAILURE() << err;
      break;
    }
  content.files = static_cast<int32_t>(c.solid_files);
  return content;
}

void ReplaceSolidData(const std::wstring& pkg, const std::string& solid_data, const std::wstring& out) {
  package::PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(Narrow(pkg), &err)) << err;
  const package::PackageContents& c = reader.contents();
  ASSERT_TRUE(c.solid && !c.frames.empty()) << Narrow(pkg);
  // frameCount, then the first frame's files and compLen fields.
  int64_t begin = c.frames.front().offset - 12;
  int64_t end = c.frames.back().offset + c.frames.back().compLen;
  reader = {};
  // The digest field is emptied while the package still has its length.
  WriteFile(out, ReadFile(pkg));
  ClearDigest(out);
  std::string bytes = ReadFile(out);
  WriteFile(out, bytes.substr(0, static_cast<size_t>(begin)) + solid_data +
                     bytes.substr(static_cast<size_t>(end)));
}

}  // namespace stubtest
