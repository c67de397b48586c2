#include "compact_test_util.h"

#include <zstd.h>

#include "gtest/gtest.h"
#include "package/layout.h"
#include "package/pe_image.h"
#include "package/pe_resources.h"
#include "package/resource_tree.h"
#include "package_test_util.h"
#include "platform/text.h"

namespace compact_test {

std::string WithSolidMark(std::string image, const std::string& version) {
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(image.data()), image.size());
  std::vector<package::Resource> resources;
  std::string err;
  EXPECT_TRUE(package::ReadResources(bytes, package::ParsePeHeaders(bytes), &resources, &err)) << err;
  std::erase_if(resources, [](const package::Resource& r) {
    return r.type.id == package::kRtRcData && r.name.name == u"QRSOLID";
  });
  package::Resource mark;
  mark.type.id = package::kRtRcData;
  mark.name.name = u"QRSOLID";
  mark.data = version;
  if (!version.empty()) resources.push_back(mark);
  EXPECT_TRUE(package::ReplaceResources(&image, resources, &err)) << err;
  return image;
}

std::string WithoutSolidMark(std::string image) { return WithSolidMark(std::move(image), ""); }

std::string ZstdFrame(const std::string& content, bool content_size_flag) {
  ZSTD_CCtx* c = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(c, ZSTD_c_compressionLevel, 3);
  ZSTD_CCtx_setParameter(c, ZSTD_c_contentSizeFlag, content_size_flag ? 1 : 0);
  ZSTD_CCtx_setParameter(c, ZSTD_c_checksumFlag, 1);
  std::string out(ZSTD_compressBound(content.size()), '\0');
  size_t n = ZSTD_compress2(c, out.data(), out.size(), content.data(), content.size());
  ZSTD_freeCCtx(c);
  out.resize(ZSTD_isError(n) ? 0 : n);
  return out;
}

// The frame header: magic (4 bytes), descriptor, then the window
// descriptor unless the frame is a single segment.
std::string WithWindowLog(std::string frame, int window_log) {
  const uint8_t descriptor = static_cast<uint8_t>(frame.at(4));
  if (descriptor & 0x20) return frame;  // single segment: no window descriptor
  frame[5] = static_cast<char>((window_log - 10) << 3);
  return frame;
}

std::string WithDictionaryId(std::string frame, uint8_t id) {
  uint8_t descriptor = static_cast<uint8_t>(frame.at(4));
  frame[4] = static_cast<char>((descriptor & ~0x03) | 0x01);
  const size_t at = (descriptor & 0x20) ? 5 : 6;
  frame.insert(frame.begin() + static_cast<std::ptrdiff_t>(at), static_cast<char>(id));
  return frame;
}

std::string SkippableFrame(const std::string& payload) {
  return package_test::LeI32(0x184D2A50) + package_test::LeI32(static_cast<int32_t>(payload.size())) +
         payload;
}

std::vector<HandFrame> OneFrame(const std::vector<HandFile>& files) {
  std::string content;
  for (const HandFile& f : files) content += f.data;
  if (content.empty()) return {};
  return {HandFrame{static_cast<int32_t>(files.size()), ZstdFrame(content)}};
}

std::string HandPackage::Bytes() const {
  using package_test::HandCoded;
  using package_test::LeI16;
  using package_test::LeI32;
  const std::string stub = package_test::MakeImage(20000, 7);
  const std::string key = package_test::KeyOf(stub);
  std::string out = stub;
  out += HandCoded(platform::ToCodePage936("AppName：Hand\r\nSetupDir：Hand\r\nPublisher：P\r\nVersion：1"), key);
  out += LeI16(option_union);
  int64_t total = 0;
  for (const HandFile& f : files) {
    out += HandCoded(f.name, key) + LeI32(static_cast<int32_t>(f.data.size()));
    total += static_cast<int64_t>(f.data.size());
  }
  out += LeI32(frame_count.value_or(static_cast<int32_t>(frames.size())) ^ 0x71);
  for (const HandFrame& f : frames)
    out += LeI32(f.files) + LeI32(static_cast<int32_t>(f.bytes.size())) + f.bytes;
  out += HandCoded(package::kUninstallerName, key) + LeI32(0) + LeI32(0);
  out += package::EncodeTrailer({static_cast<int32_t>(total), static_cast<int32_t>(stub.size()),
                                 static_cast<int32_t>(files.size() + 1)});
  return out;
}

}  // namespace compact_test
