#include "package/name_index.h"

#include "package/bounded_reader.h"
#include "package/messages.h"
#include "platform/text.h"

namespace package {
namespace {

bool Damaged(const std::string& what, std::string* err) {
  if (err) *err = std::string(msg::kNameIndexDamaged) + what;
  return false;
}

}  // namespace

bool AppendNameIndex(platform::File& f, const XorKey& key, const std::string& title_gbk,
                     const std::vector<std::string>& rel_paths_gbk, std::string* err) {
  int64_t u = 0;
  if (!f.Size(&u, err) || !f.Seek(u, err)) return false;
  // Written in pieces so a long list never sits in memory twice.
  std::string out;
  if (!AppendCodedString(&out, title_gbk, key, err)) return false;
  PutI32(&out, static_cast<int32_t>(rel_paths_gbk.size()) ^ codec::kFormatMask);
  for (const std::string& p : rel_paths_gbk) {
    if (!AppendCodedString(&out, p, key, err)) return false;
    if (out.size() >= 64 * 1024) {
      if (!f.Write(out.data(), out.size(), err)) return false;
      out.clear();
    }
  }
  PutI32(&out, static_cast<int32_t>(u));
  return f.Write(out.data(), out.size(), err);
}

int64_t NameIndexSize(const std::string& title_gbk, const std::vector<std::string>& rel_paths_gbk) {
  int64_t size = 2 + static_cast<int64_t>(title_gbk.size()) + 4 + 4;
  for (const std::string& p : rel_paths_gbk) size += 2 + static_cast<int64_t>(p.size());
  return size;
}

namespace {

// Reads the index that ends at end (its last 4 bytes hold U).
bool ReadIndexEndingAt(platform::File& f, int64_t end, NameIndex* index, std::string* err) {
  *index = NameIndex();
  // The image, an empty title, the count and U at least.
  if (end < kMinImageSize + 2 + 4 + 4) return Damaged(msg::kNameIndexTooShort, err);
  uint8_t tail[4];
  XorKey key;
  if (!f.Seek(end - 4, err) || !f.ReadExact(tail, 4, err)) return false;
  if (!f.Seek(kXorKeyOffset, err) || !f.ReadExact(key.data(), key.size(), err)) return false;
  index->image_size = GetI32(tail);
  if (index->image_size < kMinImageSize || index->image_size > end - 4 - 2 - 4)
    return Damaged(msg::kBadNameIndexOffset, err);

  BoundedReader in(f, index->image_size, end - 4);
  std::string e, title;
  int32_t count = 0;
  if (!in.ReadCodedString(key, &title, &e) || !in.ReadI32(&count, &e)) return Damaged(e, err);
  count ^= codec::kFormatMask;
  // Each name takes at least its 2-byte length.
  if (count < 0 || count > in.left() / 2) return Damaged(msg::kBadNameCount, err);
  index->title = platform::FromCodePage936(title);
  index->rel_paths_gbk.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    std::string p;
    if (!in.ReadCodedString(key, &p, &e)) return Damaged(e, err);
    index->rel_paths_gbk.push_back(std::move(p));
  }
  if (in.left() != 0) return Damaged(msg::kBytesAfterNameIndex, err);
  index->rel_paths.reserve(index->rel_paths_gbk.size());
  for (const std::string& p : index->rel_paths_gbk)
    index->rel_paths.push_back(platform::FromCodePage936(p));
  return true;
}

}  // namespace

bool ReadNameIndex(const std::string& path, NameIndex* index, std::string* err) {
  *index = NameIndex();
  auto f = platform::File::Open(path, platform::File::Mode::kRead, err);
  ImageData image;
  if (!f || !ReadImageData(*f, &image, err)) return false;
  if (image.ends.empty()) return Damaged(msg::kDigestLengthMismatch, err);
  // A signer's zero padding may hide where the index ends: the first end
  // that holds a complete index is the one.
  std::string first_err;
  for (int64_t end : image.ends) {
    std::string e;
    if (ReadIndexEndingAt(*f, end, index, &e)) return true;
    if (first_err.empty()) first_err = e;
  }
  if (err) *err = first_err;
  return false;
}

bool CheckUninstaller(const std::string& path, std::string* err) {
  auto f = platform::File::Open(path, platform::File::Mode::kRead, err);
  ImageData image;
  if (!f || !ReadImageData(*f, &image, err)) return false;
  auto damaged = [&](const char* why) {
    if (err) *err = std::string(msg::kUninstallerDamaged) + why;
    return false;
  };
  if (image.digest == DigestState::kFilled && image.ends.empty())
    return damaged(msg::kDigestLengthMismatch);
  bool matches = true;
  if (!CheckImageDigest(*f, image, nullptr, nullptr, &matches, err)) return false;
  return matches || damaged(msg::kDigestMismatch);
}

}  // namespace package
