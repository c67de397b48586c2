#include "package/stub_container.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "codec/cls_zip.h"
#include "codec/file_codec.h"
#include "package/image_digest.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/pe_image.h"
#include "platform/files.h"

namespace package {
namespace {

bool Damaged(const std::string& what, std::string* err) {
  if (err) *err = std::string(msg::kContainerDamaged) + what;
  return false;
}

// Appends one member: i32 compressed length (patched afterwards), then the stream.
bool AppendMember(const std::string& image_path, platform::File& out, std::string* err) {
  int64_t image_size = 0;
  if (!platform::GetFileSize(image_path, &image_size, err)) return false;
  if (image_size < kMinImageSize) {
    if (err) *err = msg::kImageTooSmall + image_path;
    return false;
  }
  // A digest section the writer could not fill (too small, or where filling
  // it would change the XorKey) is a fault of the program's build.
  auto image = platform::File::Open(image_path, platform::File::Mode::kRead, err);
  ImageData data;
  if (!image || !ReadImageData(*image, &data, err)) return false;
  if (data.pe.FindSection(kDigestSection) && data.digest != DigestState::kUnfilled) {
    if (err) *err = msg::kBadDigestSection + image_path;
    return false;
  }
  image.reset();
  std::string field;
  PutI32(&field, 0);
  int64_t at = 0;
  if (!out.SeekToEnd(err)) return false;
  at = out.Tell();
  if (!out.Write(field.data(), field.size(), err)) return false;
  clsZip zip;
  int32_t compLen = 0;
  if (!zip.Compress(image_path, out, {}, codec::kCompressLevel, &compLen, err)) return false;
  field.clear();
  PutI32(&field, compLen);
  return out.Seek(at, err) && out.Write(field.data(), field.size(), err);
}

// install.dat could not be read: the file once, with the system's reason.
bool Unreadable(const std::string& path, const std::string& failure, std::string* err) {
  if (err) *err = msg::WithReason(msg::kContainerUnreadable, path, failure);
  return false;
}

bool ReadI32At(platform::File& f, int64_t offset, int32_t* v, std::string* err) {
  uint8_t b[4];
  if (!f.Seek(offset, err) || !f.ReadExact(b, 4, err)) return false;
  *v = GetI32(b);
  return true;
}

// Decodes the member whose stream is exactly stream_len bytes at offset,
// keeping its head for the PE headers; false when it is no whole program.
bool CheckMember(platform::File& in, int64_t offset, int64_t stream_len, std::string* err) {
  std::vector<uint8_t> head;
  auto keep = [&](const uint8_t* buf, size_t n, std::string*) {
    size_t take = std::min(n, static_cast<size_t>(kPeHeaderReadSize) - head.size());
    head.insert(head.end(), buf, buf + take);
    return true;
  };
  codec::CodecParams params;
  int32_t size = 0;
  bool stopped = false;
  std::string e;
  if (!codec::DecodeFromFile(in, offset, stream_len, keep, params, &size, &stopped, &e)) {
    if (err) *err = e;
    return false;
  }
  PeHeaders pe = ParsePeHeaders(head);
  if (!pe.is_pe) return false;
  for (const PeSection& s : pe.sections)
    if (s.raw_offset + s.raw_size > size) return false;
  return true;
}

}  // namespace

bool CheckStubContainer(const std::string& path, std::string* err) {
  StubContainer c;
  if (!OpenStubContainer(path, &c, err)) {
    // Damage found by the first look is told with the file's path too.
    if (err && err->find(path) == std::string::npos) *err += "：" + path;
    return false;
  }
  std::string e;
  auto f = platform::File::Open(path, platform::File::Mode::kRead, &e);
  int64_t size = 0;
  int32_t l2 = 0;
  if (!f || !f->Size(&size, &e) || !ReadI32At(*f, int64_t{c.l1} + 8, &l2, &e))
    return Unreadable(path, e, err);
  const int64_t setup_len = codec::kHeaderSize + int64_t{c.l1};
  const int64_t uninst_len = codec::kHeaderSize + int64_t{l2};
  if (l2 < 0 || c.MemberOffset(StubMember::kUninstaller) + uninst_len != size)
    return Damaged(msg::kContainerBadEnd + path, err);
  e.clear();
  if (!CheckMember(*f, c.MemberOffset(StubMember::kSetup), setup_len, &e))
    return platform::FailureReason(e).empty() ? Damaged(msg::kStubNotProgram + path, err)
                                              : Unreadable(path, e, err);
  if (!CheckMember(*f, c.MemberOffset(StubMember::kUninstaller), uninst_len, &e))
    return platform::FailureReason(e).empty() ? Damaged(msg::kUninstNotProgram + path, err)
                                              : Unreadable(path, e, err);
  return true;
}

bool WriteStubContainer(const std::string& stub_path, const std::string& uninst_path,
                        const std::string& out_path, std::string* err) {
  auto out = platform::File::Open(out_path, platform::File::Mode::kCreateTruncate, err);
  if (!out) return false;
  bool ok = AppendMember(stub_path, *out, err) && AppendMember(uninst_path, *out, err) &&
            out->Close(err);
  if (!ok) {
    out.reset();
    platform::RemoveFile(out_path, nullptr);
  }
  return ok;
}

bool OpenStubContainer(const std::string& path, StubContainer* c, std::string* err) {
  c->path = path;
  std::string e;
  auto f = platform::File::Open(path, platform::File::Mode::kRead, &e);
  int64_t size = 0;
  if (!f || !f->Size(&size, &e)) return Unreadable(path, e, err);
  // L1, member 1's header and at least the header of member 2.
  if (size < 4 + codec::kHeaderSize + 4 + codec::kHeaderSize) return Damaged(msg::kContainerTooShort, err);
  if (!ReadI32At(*f, 0, &c->l1, &e)) return Unreadable(path, e, err);
  if (c->l1 < 0 || c->MemberOffset(StubMember::kUninstaller) + codec::kHeaderSize > size)
    return Damaged(msg::kContainerBadLength, err);
  if (!ReadI32At(*f, c->MemberOffset(StubMember::kSetup), &c->setup_size, &e) ||
      !ReadI32At(*f, c->MemberOffset(StubMember::kUninstaller), &c->uninst_size, &e))
    return Unreadable(path, e, err);
  if (c->setup_size < kMinImageSize) return Damaged(msg::kStubTooSmall, err);
  if (c->uninst_size < kMinImageSize) return Damaged(msg::kUninstTooSmall, err);
  return true;
}

bool DecodeStubMember(const StubContainer& c, StubMember m, platform::File& out,
                      const std::function<void(int32_t)>& progress,
                      const std::atomic<bool>* stop, bool* write_failed, std::string* err) {
  bool setup = m == StubMember::kSetup;
  *write_failed = false;
  if (err) err->clear();
  std::string e, write_err;
  auto in = platform::File::Open(c.path, platform::File::Mode::kRead, &e);
  if (!in) return Unreadable(c.path, e, err);
  auto write = [&](const uint8_t* buf, size_t n, std::string*) {
    *write_failed = !out.Write(buf, n, &write_err);
    return !*write_failed;
  };
  codec::CodecParams params;
  params.progress = progress;
  params.stop = stop;
  int32_t decoded = 0;
  bool stopped = false;
  if (!codec::DecodeFromFile(*in, c.MemberOffset(m), std::nullopt, write, params, &decoded,
                             &stopped, &e)) {
    if (*write_failed) {
      if (err) *err = write_err;
      return false;
    }
    // A failure to read the file has the system's reason; anything else is
    // the stream itself.
    if (!platform::FailureReason(e).empty()) return Unreadable(c.path, e, err);
    return Damaged(setup ? msg::kStubUndecodable : msg::kUninstUndecodable, err);
  }
  if (stopped) return false;
  if (decoded < kMinImageSize) return Damaged(setup ? msg::kStubTooSmall : msg::kUninstTooSmall, err);
  return true;
}

}  // namespace package
