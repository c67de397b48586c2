#include "package_fuzz_targets.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "codec/stream_format.h"
#include "memory_file.h"
#include "package/byte_fields.h"
#include "package/icon_file.h"
#include "package/layout.h"
#include "package/name_index.h"
#include "package/package_reader.h"
#include "package/resource_tree.h"
#include "package/solid_reader.h"
#include "package/stub_container.h"
#include "package/version_resource.h"
#include "platform/files.h"

namespace fuzz {
namespace {

bool NameIndexSound(const package::NameIndex& index, int64_t file_size) {
  return index.image_size >= package::kMinImageSize && index.image_size <= file_size - 10 &&
         index.rel_paths.size() == index.rel_paths_gbk.size();
}

// Reads the name index of an uninstaller image held in memory.
bool CheckNameIndex(const uint8_t* data, size_t size) {
  static MemoryFile file;
  if (!file.Set(data, size)) return false;
  package::NameIndex index;
  std::string err;
  if (!package::ReadNameIndex(file.path(), &index, &err)) return !err.empty();
  return NameIndexSound(index, static_cast<int64_t>(size));
}

// The largest piece the solid reader hands over (solid_reader.h).
constexpr size_t kSolidPiece = 128 << 10;

// An accepted compact package's frames hold every solid file once, in
// order, inside the file.
bool FramesSound(const package::PackageContents& c) {
  size_t next = 0;
  for (const package::SolidFrame& f : c.frames) {
    if (f.first_file != next || f.files < 1 || f.compLen < 1 || f.offset <= c.stub_size ||
        f.offset + f.compLen > c.data_end - package::kTrailerSize)
      return false;
    int64_t sum = 0;
    for (size_t i = next; i < next + static_cast<size_t>(f.files); ++i) sum += c.files.at(i).original_size;
    if (sum != f.content_size) return false;
    next += static_cast<size_t>(f.files);
  }
  return c.frames.empty() || next == c.solid_files;
}

// Decodes every file of an accepted compact package in order: each yields
// exactly its size or fails with a message, never more, in pieces of at
// most kSolidPiece bytes; after a failure nothing more is decoded.
bool DecodeSolidFiles(const std::string& path, const package::PackageContents& c) {
  auto file = platform::File::Open(path, platform::File::Mode::kRead, nullptr);
  if (!file) return false;
  package::SolidReader solid(*file, c);
  while (!solid.done()) {
    const size_t i = solid.next();
    int64_t produced = 0;
    bool sane = true;
    auto write = [&](const uint8_t*, size_t n, std::string*) {
      if (n == 0 || n > kSolidPiece) sane = false;
      produced += static_cast<int64_t>(n);
      return true;
    };
    std::string e;
    const bool ok = solid.DecodeNext(write, nullptr, nullptr, &e);
    if (!sane || produced > c.files[i].original_size) return false;
    if (!ok) return !e.empty() && !solid.DecodeNext(write, nullptr, nullptr, &e);
    if (produced != c.files[i].original_size || solid.next() != i + 1) return false;
  }
  return true;
}

// A compact package around fuzzed solid data: the input's first byte is the
// number of files (1..8), then each file's size (u16, little-endian), then a
// frame's file count (u8) and the rest is that frame's bytes. The frame is
// then repeated with the remaining files until the records are used up.
std::string CompactPackageAround(const uint8_t* data, size_t size) {
  if (size < 1) return "";
  const size_t files = 1 + data[0] % 8;
  if (size < 1 + 2 * files + 1) return "";
  package::XorKey key;
  std::string out(static_cast<size_t>(package::kMinImageSize), '\0');
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(i * 7 + 3);
  std::copy(out.begin() + package::kXorKeyOffset, out.begin() + package::kXorKeyOffset + key.size(),
            key.begin());
  const std::string stub = out;
  package::AppendCodedString(&out, "AppName：F\r\nSetupDir：F\r\nPublisher：F\r\nVersion：1", key, nullptr);
  package::PutI16(&out, package::kSolidFlag);
  int32_t total = 0;
  for (size_t i = 0; i < files; ++i) {
    int32_t n = data[1 + 2 * i] | (data[2 + 2 * i] << 8);
    std::string name = std::to_string(i);
    name.insert(name.begin(), 'f');
    package::AppendCodedString(&out, name, key, nullptr);
    package::PutI32(&out, n);
    total += n;
  }
  const int32_t per_frame = std::max(1, data[1 + 2 * files] % 9);
  const std::string frame(reinterpret_cast<const char*>(data) + 2 + 2 * files, size - 2 - 2 * files);
  const int32_t frames = (static_cast<int32_t>(files) + per_frame - 1) / per_frame;
  package::PutI32(&out, frames ^ codec::kFormatMask);
  for (int32_t k = 0; k < frames; ++k) {
    package::PutI32(&out, std::min(per_frame, static_cast<int32_t>(files) - k * per_frame));
    package::PutI32(&out, static_cast<int32_t>(frame.size()));
    out += frame;
  }
  package::AppendCodedString(&out, package::kUninstallerName, key, nullptr);
  package::PutI32(&out, 0);
  package::PutI32(&out, 0);
  out += package::EncodeTrailer({total, static_cast<int32_t>(stub.size()), static_cast<int32_t>(files + 1)});
  return out;
}

}  // namespace

bool CompactReaderTarget(const uint8_t* data, size_t size) {
  static MemoryFile input;
  const std::string package = CompactPackageAround(data, size);
  if (package.empty()) return true;
  if (!input.Set(reinterpret_cast<const uint8_t*>(package.data()), package.size())) return false;
  package::PackageReader reader;
  std::string err;
  if (!reader.Open(input.path(), &err)) return !err.empty();
  const package::PackageContents& c = reader.contents();
  if (!c.solid || c.solid_files + 1 != c.files.size() || !FramesSound(c)) return false;
  return DecodeSolidFiles(input.path(), c);
}

bool PackageReaderTarget(const uint8_t* data, size_t size) {
  static MemoryFile input;
  if (!input.Set(data, size)) return false;
  package::PackageReader reader;
  std::string err;
  if (!reader.Open(input.path(), &err)) return !err.empty();
  const package::PackageContents& c = reader.contents();
  const int64_t limit = c.file_size - package::kTrailerSize;
  if (c.files.empty() || c.stub_size < package::kMinImageSize || c.stub_size > limit) return false;
  if (c.solid ? c.solid_files + 1 != c.files.size() : (c.solid_files != 0 || !c.frames.empty()))
    return false;
  for (const package::FileRecord& f : c.files) {
    if (f.solid) {
      if (f.compLen != 0 || f.original_size < 0) return false;
      continue;
    }
    if (f.compLen < 0 || f.original_size < 0 || f.compLenOffset <= c.stub_size ||
        f.StreamOffset() + codec::kHeaderSize + f.compLen > limit)
      return false;
  }
  if (!FramesSound(c)) return false;
  std::vector<uint8_t> last;
  for (size_t i = 0; i < c.files.size(); ++i) {
    const bool is_last = i + 1 == c.files.size();
    int64_t produced = 0;
    bool sane = true;
    last.clear();
    const size_t piece = c.files[i].solid ? kSolidPiece : static_cast<size_t>(codec::kBlockSize);
    auto write = [&](const uint8_t* buf, size_t n, std::string*) {
      if (n == 0 || n > piece) sane = false;
      produced += static_cast<int64_t>(n);
      if (is_last) last.insert(last.end(), buf, buf + n);
      return true;
    };
    std::string e;
    const bool ok = reader.DecodeRecord(i, write, nullptr, &e);
    if (!sane || produced > c.files[i].original_size) return false;
    if (ok ? produced != c.files[i].original_size : e.empty()) return false;
    if (is_last && ok) return CheckNameIndex(last.data(), last.size());
  }
  return true;
}

bool NameIndexTarget(const uint8_t* data, size_t size) { return CheckNameIndex(data, size); }

bool ResourcesTarget(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  auto sound = [](package::IconProblem p, const package::Icon& icon) {
    if (p != package::IconProblem::kNone) return true;
    if (icon.images.empty() || icon.images.size() > package::kMaxIconImages) return false;
    std::string file = package::IconFileBytes(icon);
    package::Icon again;
    return package::ParseIconFile(package::bytes::View(file), &again) == package::IconProblem::kNone &&
           package::IconFileBytes(again) == file;
  };
  package::Icon icon;
  if (!sound(package::ParseIconFile(bytes, &icon), icon)) return false;
  if (!sound(package::IconFromImage(bytes, &icon), icon)) return false;
  std::vector<package::Resource> resources;
  std::string err;
  package::PeHeaders pe = package::ParsePeHeaders(bytes.first(std::min<size_t>(size, package::kPeHeaderReadSize)));
  if (package::ReadResources(bytes, pe, &resources, &err) && resources.size() > package::kMaxResources)
    return false;
  package::VersionInfo info;
  package::ParseVersionResource(bytes, &info);
  return true;
}

bool StubContainerTarget(const uint8_t* data, size_t size) {
  static MemoryFile input, output;
  if (!input.Set(data, size)) return false;
  package::StubContainer c;
  std::string err;
  if (!package::OpenStubContainer(input.path(), &c, &err)) return !err.empty();
  if (c.l1 < 0 || c.setup_size < package::kMinImageSize || c.uninst_size < package::kMinImageSize ||
      c.MemberOffset(package::StubMember::kUninstaller) + codec::kHeaderSize >
          static_cast<int64_t>(size))
    return false;
  for (package::StubMember m : {package::StubMember::kSetup, package::StubMember::kUninstaller}) {
    if (!output.Set(nullptr, 0)) return false;
    auto out = platform::File::Open(output.path(), platform::File::Mode::kReadWrite, nullptr);
    if (!out) return false;
    int64_t progressed = 0;
    auto progress = [&](int32_t n) { progressed += n; };
    bool write_failed = false;
    std::string e;
    const bool ok = package::DecodeStubMember(c, m, *out, progress, nullptr, &write_failed, &e);
    int64_t written = 0;
    if (write_failed || !out->Size(&written, nullptr)) return false;
    const int32_t announced = m == package::StubMember::kSetup ? c.setup_size : c.uninst_size;
    if (written > announced || progressed != written) return false;
    if (ok ? written != announced : e.empty()) return false;
  }
  return true;
}

}  // namespace fuzz
