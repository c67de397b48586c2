#include "codec/cls_zip.h"

#include <limits>
#include <memory>

#include "codec/codec_messages.h"
#include "codec/file_codec.h"
#include "codec/stream_format.h"

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  platform::FileIdentity ia, ib;
  std::string ignored;
  return platform::GetFileIdentity(a, &ia, &ignored) && platform::GetFileIdentity(b, &ib, &ignored) &&
         ia == ib;
}

}  // namespace

bool clsZip::Compress(const std::string& strInputFileName, platform::File& intOutPutFile,
                      std::span<const uint8_t> btXorCode, int16_t wCompressLevel,
                      int32_t* compLen, std::string* err, bool* stopped) {
  m_bStop = false;
  *compLen = 0;
  if (stopped) *stopped = false;
  codec::CodecParams params;
  params.code = btXorCode;
  params.level = wCompressLevel;
  params.progress = FileProgress;
  params.stop = &m_bStop;
  int64_t len = 0;
  bool halted = false;
  if (!codec::CompressFileTo(strInputFileName, intOutPutFile, params, &len, &halted, err, m_jobs))
    return false;
  if (len > std::numeric_limits<int32_t>::max()) {
    *err = strInputFileName + ": " + codec::msg::kStreamTooLarge;
    return false;
  }
  *compLen = static_cast<int32_t>(len);
  if (stopped) *stopped = halted;
  return true;
}

bool clsZip::Decompress(const std::string& strInputFileName, const std::string& strOutputFileName,
                        std::span<const uint8_t> btXorCode, int64_t dwStartOff, std::string* err,
                        bool* stopped) {
  m_bStop = false;
  if (stopped) *stopped = false;
  if (strOutputFileName.empty()) {
    *err = codec::msg::kNoOutputName;
    return false;
  }
  auto in = platform::File::Open(strInputFileName, platform::File::Mode::kRead, err);
  if (!in) return false;
  if (SameFile(strInputFileName, strOutputFileName)) {
    *err = strOutputFileName + ": " + codec::msg::kOutputIsInput;
    return false;
  }
  // Check the header's place before the output is created or cut.
  int64_t file_size = 0;
  if (!in->Size(&file_size, err)) return false;
  if (dwStartOff < 0 || dwStartOff > file_size) {
    *err = strInputFileName + ": " +
           (dwStartOff < 0 ? codec::msg::kNegativeOffset : codec::msg::kOffsetPastEnd);
    return false;
  }
  if (file_size - dwStartOff < codec::kHeaderSize) {
    *err = strInputFileName + ": " + codec::msg::kHeaderCut;
    return false;
  }
  auto out = platform::File::Open(strOutputFileName, platform::File::Mode::kCreateTruncate, err);
  if (!out) return false;

  codec::CodecParams params;
  params.code = btXorCode;
  params.progress = FileProgress;
  params.stop = &m_bStop;
  codec::WriteFn sink = [&](const uint8_t* buf, size_t n, std::string* e) {
    return out->Write(buf, n, e);
  };
  int32_t size = 0;
  bool halted = false;
  bool ok = codec::DecodeFromFile(*in, dwStartOff, std::nullopt, sink, params, &size, &halted, err);
  if (ok) ok = out->Close(err);
  if (!ok) {
    out.reset();
    std::string ignored;
    platform::RemoveFile(strOutputFileName, &ignored);
    return false;
  }
  if (stopped) *stopped = halted;
  return true;
}

bool clsZip::GetOriginalSize(const std::string& strInputFileName, int32_t* size,
                             std::string* err) {
  auto in = platform::File::Open(strInputFileName, platform::File::Mode::kRead, err);
  if (!in) return false;
  uint8_t h[codec::kHeaderSize];
  if (!in->ReadExact(h, sizeof h, err)) return false;
  *size = codec::GetHeader(h);
  return true;
}
