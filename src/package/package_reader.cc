#include "package/package_reader.h"

#include <algorithm>
#include <bit>

#include "codec/file_codec.h"
#include "package/bounded_reader.h"
#include "package/messages.h"
#include "package/solid_frame.h"
#include "package/solid_reader.h"
#include "platform/text.h"

namespace package {
namespace {

bool Damaged(const std::string& what, std::string* err) {
  if (err) *err = std::string(msg::kPackageDamaged) + what;
  return false;
}

// Reads exactly n bytes at offset.
bool ReadAt(platform::File& f, int64_t offset, void* buf, size_t n, std::string* err) {
  return f.Seek(offset, err) && f.ReadExact(buf, n, err);
}

}  // namespace

std::string FormatConfigText(const ConfigValues& v) {
  return std::string(kLabelAppName) + v.app_name + kConfigSeparator + kLabelSetupDir +
         v.setup_dir + kConfigSeparator + kLabelPublisher + v.publisher + kConfigSeparator +
         kLabelVersion + v.version;
}

bool ParseConfigText(const std::string& text, ConfigValues* v) {
  const std::string labels[] = {kLabelAppName, std::string(kConfigSeparator) + kLabelSetupDir,
                                std::string(kConfigSeparator) + kLabelPublisher,
                                std::string(kConfigSeparator) + kLabelVersion};
  std::string* values[] = {&v->app_name, &v->setup_dir, &v->publisher, &v->version};
  if (text.compare(0, labels[0].size(), labels[0]) != 0) return false;
  size_t at = labels[0].size();
  for (int i = 0; i < 4; ++i) {
    size_t end = i < 3 ? text.find(labels[i + 1], at) : text.size();
    if (end == std::string::npos) return false;
    values[i]->assign(text, at, end - at);
    if (i < 3) at = end + labels[i + 1].size();
  }
  return true;
}

bool HoldsAppendedData(const std::string& path) {
  auto f = platform::File::Open(path, platform::File::Mode::kRead, nullptr);
  ImageData image;
  if (!f || !ReadImageData(*f, &image, nullptr) || !image.pe.is_pe) return false;
  int64_t program_end = 0;
  for (const PeSection& s : image.pe.sections)
    program_end = std::max(program_end, s.raw_offset + s.raw_size);
  int64_t data_end = image.signed_file ? int64_t{image.pe.cert_offset} : image.file_size;
  return data_end > program_end;
}

PackageReader::PackageReader() = default;
PackageReader::~PackageReader() = default;

PackageReader::PackageReader(PackageReader&& other) noexcept { *this = std::move(other); }

// The solid data's reader refers to the contents it was made for: it starts
// anew after a move.
PackageReader& PackageReader::operator=(PackageReader&& other) noexcept {
  path_ = std::move(other.path_);
  file_ = std::move(other.file_);
  image_ = std::move(other.image_);
  c_ = std::move(other.c_);
  solid_.reset();
  other.solid_.reset();
  return *this;
}

bool PackageReader::Open(const std::string& path, std::string* err) {
  path_ = path;
  solid_.reset();
  c_ = PackageContents();
  file_ = platform::File::Open(path, platform::File::Mode::kRead, err);
  if (!file_ || !ReadImageData(*file_, &image_, err)) return false;
  if (image_.ends.empty()) return Damaged(msg::kDigestLengthMismatch, err);
  // A signer's zero padding may hide where the package ends: the first end
  // whose trailer leads to a complete layout is the one.
  std::string first_err;
  for (int64_t end : image_.ends) {
    c_ = PackageContents();
    c_.file_size = image_.file_size;
    c_.data_end = end;
    std::string e;
    if (ReadLayout(&e)) return true;
    if (first_err.empty()) first_err = e;
  }
  if (err) *err = first_err;
  return false;
}

bool PackageReader::VerifyDigest(const std::function<void(int64_t)>& progress,
                                 const std::atomic<bool>* cancel, std::string* err) {
  bool matches = true;
  if (!CheckImageDigest(*file_, image_, progress, cancel, &matches, err)) return false;
  return matches || Damaged(msg::kDigestMismatch, err);
}

bool PackageReader::ReadLayout(std::string* err) {
  if (c_.data_end < kMinImageSize + kTrailerSize) return Damaged(msg::kPackageTooShort, err);
  uint8_t trailer[kTrailerSize];
  if (!ReadAt(*file_, c_.data_end - kTrailerSize, trailer, sizeof trailer, err)) return false;
  c_.trailer = DecodeTrailer(trailer);
  c_.stub_size = c_.trailer.config_offset;
  if (c_.stub_size < kMinImageSize || c_.stub_size > c_.data_end - kTrailerSize)
    return Damaged(msg::kBadConfigOffset, err);
  if (c_.trailer.record_count < 1) return Damaged(msg::kBadRecordCount, err);
  if (c_.trailer.total < 0) return Damaged(msg::kBadTotal, err);
  if (!ReadAt(*file_, kXorKeyOffset, c_.key.data(), c_.key.size(), err)) return false;
  return ReadRecords(err);
}

bool PackageReader::ReadRecords(std::string* err) {
  BoundedReader in(*file_, c_.stub_size, c_.data_end - kTrailerSize);
  std::string e;
  if (!in.ReadCodedString(c_.key, &c_.config_text_gbk, &e))
    return Damaged(msg::kInConfig + e, err);
  c_.config_text = platform::FromCodePage936(c_.config_text_gbk);
  c_.config_parsed = ParseConfigText(c_.config_text, &c_.config);

  if (!in.ReadI16(&c_.option_union, &e)) return Damaged(msg::kInOptions + e, err);
  uint16_t union_bits = static_cast<uint16_t>(c_.option_union);
  c_.option_list = (union_bits & kOptionListFlag) != 0;
  c_.solid = (union_bits & kSolidFlag) != 0;
  uint16_t option_bits = union_bits & kOptionUnionBits;
  if (union_bits & ~static_cast<uint16_t>(kOptionUnionBits | kOptionListFlag | kSolidFlag))
    return Damaged(msg::kBadOptionUnion, err);
  // Classic records: one per bit of the union. A record list: its count.
  int64_t count = std::popcount(option_bits);
  if (c_.option_list) {
    int32_t stored = 0;
    if (!in.ReadI32(&stored, &e)) return Damaged(msg::kInOptions + e, err);
    count = stored ^ codec::kFormatMask;
    // A record is at least 3 bytes: a count that cannot fit is refused.
    if (count < 1 || count > in.left() / 3) return Damaged(msg::kBadOptionRecord, err);
  }
  uint16_t seen = 0;
  for (int64_t i = 0; i < count; ++i) {
    OptionRecord o;
    uint8_t bit = 0;
    if (!in.ReadU8(&bit, &e) || !in.ReadCodedString(c_.key, &o.name_gbk, &e))
      return Damaged(msg::kInOptions + e, err);
    if (std::popcount(bit) != 1 || !(bit & option_bits) || (!c_.option_list && (bit & seen)))
      return Damaged(msg::kBadOptionRecord, err);
    seen |= bit;
    o.bit = bit;
    o.name = platform::FromCodePage936(o.name_gbk);
    c_.options.push_back(std::move(o));
  }
  if (seen != option_bits) return Damaged(msg::kBadOptionRecord, err);

  // Records are at least 10 bytes (6 in the solid data); a count that cannot
  // fit is refused before anything is reserved for it.
  if (c_.trailer.record_count > in.left() / (c_.solid ? 6 : 10))
    return Damaged(msg::kBadRecordCount, err);
  c_.files.reserve(static_cast<size_t>(c_.trailer.record_count));
  if (c_.solid && !ReadSolidData(in, err)) return false;
  for (int32_t i = static_cast<int32_t>(c_.files.size()); i < c_.trailer.record_count; ++i) {
    FileRecord r;
    std::string where = msg::kInRecord + std::to_string(i + 1) + msg::kRecordSuffix;
    if (!in.ReadCodedString(c_.key, &r.rel_path_gbk, &e)) return Damaged(where + e, err);
    r.compLenOffset = in.pos();
    if (!in.ReadI32(&r.compLen, &e) || !in.ReadI32(&r.original_size, &e))
      return Damaged(where + e, err);
    if (r.compLen < 0 || r.original_size < 0) return Damaged(where + msg::kNegativeLength, err);
    if (r.compLen == 0 && r.original_size != 0) return Damaged(where + msg::kBadEmptyRecord, err);
    if (!in.Skip(r.compLen, &e)) return Damaged(where + e, err);
    r.rel_path = platform::FromCodePage936(r.rel_path_gbk);
    c_.files.push_back(std::move(r));
  }
  if (in.left() != 0) return Damaged(msg::kBytesBeforeTrailer, err);
  if (c_.files.back().rel_path_gbk != kUninstallerName)
    return Damaged(msg::kNoUninstallerRecord, err);
  return true;
}

// The records of the solid data (all but the uninstaller's) and its frames,
// each frame's header checked.
bool PackageReader::ReadSolidData(BoundedReader& in, std::string* err) {
  std::string e;
  const int32_t n = c_.trailer.record_count - 1;
  int64_t sum = 0;
  for (int32_t i = 0; i < n; ++i) {
    FileRecord r;
    std::string where = msg::kInRecord + std::to_string(i + 1) + msg::kRecordSuffix;
    if (!in.ReadCodedString(c_.key, &r.rel_path_gbk, &e) || !in.ReadI32(&r.original_size, &e))
      return Damaged(where + e, err);
    if (r.original_size < 0) return Damaged(where + msg::kBadSolidRecord, err);
    r.solid = true;
    sum += r.original_size;
    r.rel_path = platform::FromCodePage936(r.rel_path_gbk);
    c_.files.push_back(std::move(r));
  }
  c_.solid_files = static_cast<size_t>(n);
  int32_t stored = 0;
  if (!in.ReadI32(&stored, &e)) return Damaged(e, err);
  const int32_t frame_count = stored ^ codec::kFormatMask;
  // A frame takes at least 9 bytes and holds at least one file.
  if (frame_count < 0 || frame_count > n || frame_count > in.left() / 9)
    return Damaged(msg::kBadFrameCount, err);
  if (frame_count == 0 && sum != 0) return Damaged(msg::kSolidWithoutFrames, err);
  c_.frames.reserve(static_cast<size_t>(frame_count));
  size_t first = 0;
  for (int32_t k = 0; k < frame_count; ++k) {
    std::string where = msg::kInFrame + std::to_string(k + 1) + msg::kFrameSuffix;
    SolidFrame f;
    f.first_file = first;
    if (!in.ReadI32(&f.files, &e) || !in.ReadI32(&f.compLen, &e)) return Damaged(where + e, err);
    if (f.files < 1 || f.files > n - static_cast<int32_t>(first))
      return Damaged(where + msg::kBadFrameCount, err);
    if (f.compLen < 1 || f.compLen > in.left()) return Damaged(where + msg::kBadFrameLength, err);
    for (size_t i = first; i < first + static_cast<size_t>(f.files); ++i)
      f.content_size += c_.files[i].original_size;
    first += static_cast<size_t>(f.files);
    f.offset = in.pos();
    std::string head;
    size_t head_size = std::min(kSolidFrameHeaderMax, static_cast<size_t>(f.compLen));
    if (!in.ReadBytes(head_size, &head, &e) || !in.Skip(f.compLen - static_cast<int64_t>(head_size), &e))
      return Damaged(where + e, err);
    if (!CheckSolidFrameHeader(reinterpret_cast<const uint8_t*>(head.data()), head.size(),
                               f.content_size, &e))
      return Damaged(where + e, err);
    c_.frames.push_back(f);
  }
  if (frame_count > 0 && first != static_cast<size_t>(n)) return Damaged(msg::kBadFrameCount, err);
  return true;
}

bool PackageReader::DecodeRecord(size_t i, const codec::WriteFn& write,
                                 const codec::ProgressFn& progress, std::string* err) {
  const FileRecord& r = c_.files.at(i);
  if (r.solid) {
    // A failed pass (a full disk) or going back starts anew.
    if (!solid_ || solid_->failed() || solid_->next() > i)
      solid_ = std::make_unique<SolidReader>(*file_, c_);
    while (solid_->next() < i)
      if (!solid_->SkipNext(nullptr, err)) return false;
    return solid_->DecodeNext(write, progress, nullptr, err);
  }
  if (r.compLen == 0) return true;
  codec::CodecParams params;
  params.code = std::span<const uint8_t>(c_.key);
  params.progress = progress;
  int32_t size = 0;
  bool stopped = false;
  std::string e, write_err;
  bool write_failed = false;
  auto checked_write = [&](const uint8_t* buf, size_t n, std::string* werr) {
    if (write(buf, n, &write_err)) return true;
    write_failed = true;
    *werr = write_err;
    return false;
  };
  if (codec::DecodeFromFile(*file_, r.StreamOffset(), codec::kHeaderSize + r.compLen,
                            checked_write, params, &size, &stopped, &e))
    return true;
  if (write_failed) {
    if (err) *err = write_err;
    return false;
  }
  return Damaged(r.rel_path + "：" + e, err);
}

bool PackageReader::DecodeRecordToFile(size_t i, const std::string& out_path,
                                       const codec::ProgressFn& progress, std::string* err) {
  auto out = platform::File::Open(out_path, platform::File::Mode::kCreateTruncate, err);
  if (!out) return false;
  auto write = [&](const uint8_t* buf, size_t n, std::string* e) { return out->Write(buf, n, e); };
  if (DecodeRecord(i, write, progress, err) && out->Close(err)) return true;
  out.reset();
  platform::RemoveFile(out_path, nullptr);
  return false;
}

}  // namespace package
