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

}  // namespace

bool PackageReaderTarget(const uint8_t* data, size_t size) {
  static MemoryFile input;
  if (!input.Set(data, size)) return false;
  package::PackageReader reader;
  std::string err;
  if (!reader.Open(input.path(), &err)) return !err.empty();
  const package::PackageContents& c = reader.contents();
  const int64_t limit = c.file_size - package::kTrailerSize;
  if (c.files.empty() || c.stub_size < package::kMinImageSize || c.stub_size > limit) return false;
  for (const package::FileRecord& f : c.files) {
    if (f.compLen < 0 || f.original_size < 0 || f.compLenOffset <= c.stub_size ||
        f.StreamOffset() + codec::kHeaderSize + f.compLen > limit)
      return false;
  }
  std::vector<uint8_t> last;
  for (size_t i = 0; i < c.files.size(); ++i) {
    const bool is_last = i + 1 == c.files.size();
    int64_t produced = 0;
    bool sane = true;
    last.clear();
    auto write = [&](const uint8_t* buf, size_t n, std::string*) {
      if (n == 0 || n > static_cast<size_t>(codec::kBlockSize)) sane = false;
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
