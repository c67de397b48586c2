#include "package/image_digest.h"

#include <algorithm>
#include <cstring>

#include "package/layout.h"
#include "package/messages.h"

namespace package {
namespace {

constexpr size_t kHashPiece = 1 << 20;

bool Overlaps(int64_t a, int64_t a_size, int64_t b, int64_t b_size) {
  return b >= 0 && a < b + b_size && b < a + a_size;
}

// The ranges left out of the digest, in file order.
struct Range {
  int64_t at, size;
};
std::vector<Range> LeftOut(const PeHeaders& pe, int64_t field_at) {
  std::vector<Range> out;
  if (pe.checksum_at >= 0) out.push_back({pe.checksum_at, 4});
  if (pe.cert_entry_at >= 0) out.push_back({pe.cert_entry_at, 8});
  if (field_at >= 0) out.push_back({field_at + kDigestValueAt, static_cast<int64_t>(kDigestValueSize)});
  std::sort(out.begin(), out.end(), [](const Range& a, const Range& b) { return a.at < b.at; });
  return out;
}

}  // namespace

int64_t DigestFieldOffset(const PeHeaders& pe, int64_t limit) {
  const PeSection* s = pe.FindSection(kDigestSection);
  if (!s) return -1;
  int64_t at = s->raw_offset;
  int64_t size = static_cast<int64_t>(kDigestFieldSize);
  if (at <= 0 || s->raw_size < size || at + size > limit) return -1;
  if (Overlaps(at, size, kXorKeyOffset, static_cast<int64_t>(kXorKeySize)) ||
      Overlaps(at, size, pe.checksum_at, 4) || Overlaps(at, size, pe.cert_entry_at, 8))
    return -1;
  return at;
}

bool ReadImageData(platform::File& f, ImageData* d, std::string* err) {
  *d = ImageData();
  if (!f.Size(&d->file_size, err) || !ReadPeHeaders(f, d->file_size, &d->pe, err) ||
      !DataEndCandidates(f, d->file_size, d->pe, &d->ends, err))
    return false;
  d->signed_file = HasTrailingCertTable(d->pe, d->file_size);
  d->field_at = DigestFieldOffset(d->pe, *std::min_element(d->ends.begin(), d->ends.end()));
  if (d->field_at < 0) return true;
  uint8_t field[kDigestFieldSize];
  if (!f.Seek(d->field_at, err) || !f.ReadExact(field, sizeof field, err)) return false;
  if (std::memcmp(field, kDigestMagic, kDigestMagicSize) != 0) {
    d->field_at = -1;
    return true;
  }
  int64_t covered = static_cast<int64_t>(static_cast<uint32_t>(GetI32(field + kDigestLengthAt))) |
                    (int64_t{GetI32(field + kDigestLengthAt + 4)} << 32);
  if (covered == 0) {
    d->digest = DigestState::kUnfilled;
    return true;
  }
  bool possible = std::find(d->ends.begin(), d->ends.end(), covered) != d->ends.end();
  d->digest = DigestState::kFilled;
  d->covered = covered;
  d->ends.clear();
  if (possible) d->ends.push_back(covered);
  std::memcpy(d->stored.data(), field + kDigestValueAt, kDigestValueSize);
  return true;
}

bool ComputeImageDigest(platform::File& f, const PeHeaders& pe, int64_t field_at, int64_t end,
                        const std::function<void(int64_t)>& progress,
                        const std::atomic<bool>* cancel, platform::Sha256Digest* digest,
                        std::string* err) {
  platform::Sha256 sha;
  std::vector<uint8_t> buf(kHashPiece);
  auto hash = [&](int64_t from, int64_t to) {
    if (from >= to) return true;
    if (!f.Seek(from, err)) return false;
    while (from < to) {
      if (cancel && cancel->load()) {
        if (err) *err = msg::kCancelled;
        return false;
      }
      size_t n = static_cast<size_t>(std::min<int64_t>(to - from, static_cast<int64_t>(buf.size())));
      if (!f.ReadExact(buf.data(), n, err)) return false;
      sha.Update(buf.data(), n);
      from += static_cast<int64_t>(n);
      if (progress) progress(static_cast<int64_t>(n));
    }
    return true;
  };
  int64_t pos = 0;
  for (const Range& r : LeftOut(pe, field_at)) {
    if (r.at >= end) break;
    if (!hash(pos, r.at)) return false;
    pos = std::max(pos, r.at + r.size);
  }
  return hash(pos, end) && sha.Finish(digest, err);
}

bool CheckImageDigest(platform::File& f, const ImageData& d,
                      const std::function<void(int64_t)>& progress,
                      const std::atomic<bool>* cancel, bool* matches, std::string* err) {
  *matches = true;
  if (d.digest != DigestState::kFilled) return true;
  platform::Sha256Digest actual;
  if (!ComputeImageDigest(f, d.pe, d.field_at, d.covered, progress, cancel, &actual, err))
    return false;
  *matches = actual == d.stored;
  return true;
}

bool FillImageDigest(platform::File& f, int64_t image_size, bool* filled, std::string* err) {
  *filled = false;
  int64_t size = 0;
  PeHeaders pe;
  if (!f.Size(&size, err) || !ReadPeHeaders(f, size, &pe, err)) return false;
  int64_t at = DigestFieldOffset(pe, std::min(image_size, size));
  if (at < 0) return true;
  uint8_t magic[kDigestMagicSize];
  if (!f.Seek(at, err) || !f.ReadExact(magic, sizeof magic, err)) return false;
  if (std::memcmp(magic, kDigestMagic, kDigestMagicSize) != 0) return true;
  std::string length;
  PutI32(&length, static_cast<int32_t>(size & 0xFFFFFFFF));
  PutI32(&length, static_cast<int32_t>(size >> 32));
  if (!f.Seek(at + kDigestLengthAt, err) || !f.Write(length.data(), length.size(), err))
    return false;
  platform::Sha256Digest digest;
  if (!ComputeImageDigest(f, pe, at, size, nullptr, nullptr, &digest, err) ||
      !f.Seek(at + kDigestValueAt, err) || !f.Write(digest.data(), digest.size(), err))
    return false;
  *filled = true;
  return true;
}

}  // namespace package
