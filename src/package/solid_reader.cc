#include "package/solid_reader.h"

#include <algorithm>
#include <vector>

#include "package/messages.h"
#include "package/solid_frame.h"

namespace package {
namespace {

// The largest piece DecodeNext hands to write.
constexpr size_t kPieceSize = 128 << 10;

}  // namespace

SolidReader::SolidReader(platform::File& file, const PackageContents& c)
    : file_(file), c_(c), files_(c.solid_files), decoder_(std::make_unique<SolidFrameDecoder>()) {}

SolidReader::~SolidReader() = default;

bool SolidReader::Fail(std::string* err) {
  failed_ = true;
  failure_ = *err;
  return false;
}

bool SolidReader::StartFrame(std::string* err) {
  const size_t index = frames_started_++;
  const SolidFrame& f = c_.frames.at(index);
  int64_t pos = f.offset;
  auto read = [this, pos](uint8_t* buf, size_t n, std::string* e) mutable {
    if (!file_.Seek(pos, e) || !file_.ReadExact(buf, n, e)) return false;
    pos += static_cast<int64_t>(n);
    return true;
  };
  frame_end_ = f.first_file + static_cast<size_t>(f.files);
  std::string e;
  if (decoder_->Start(read, f.compLen, f.content_size, &e)) return true;
  *err = decoder_->source_failed()
             ? e
             : msg::kPackageDamaged + (msg::kInFrame + std::to_string(index + 1)) + msg::kFrameSuffix + e;
  return false;
}

bool SolidReader::DecodeNext(const codec::WriteFn& write, const codec::ProgressFn& progress,
                             const std::atomic<bool>* cancel, std::string* err) {
  if (failed_) {
    *err = failure_;
    return false;
  }
  if (done()) {
    *err = msg::kPackageDamaged + std::string(msg::kBadFrameCount);
    return Fail(err);
  }
  const FileRecord& r = c_.files[next_];
  // A package without frames holds only empty files (PackageReader checked).
  if (next_ == frame_end_ && !c_.frames.empty() && !StartFrame(err)) return Fail(err);
  auto damaged = [&](const std::string& e) {
    if (decoder_->source_failed()) {
      *err = e;
    } else {
      *err = msg::kPackageDamaged + r.rel_path + "：" + e;
    }
    return Fail(err);
  };
  std::vector<uint8_t> buf(std::min<size_t>(kPieceSize, static_cast<size_t>(r.original_size)));
  int64_t left = r.original_size;
  std::string e;
  while (left > 0) {
    if (cancel && cancel->load(std::memory_order_relaxed)) {
      *err = msg::kCancelled;
      return Fail(err);
    }
    size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(buf.size())));
    if (!decoder_->Read(buf.data(), n, &e)) return damaged(e);
    if (!write(buf.data(), n, &e)) {
      *err = e;
      return Fail(err);
    }
    if (progress) progress(static_cast<int32_t>(n));
    left -= static_cast<int64_t>(n);
  }
  ++next_;
  // The frame must end with its last file: more bytes are damage now.
  if (next_ == frame_end_ && !c_.frames.empty() && !decoder_->Finish(&e)) return damaged(e);
  return true;
}

bool SolidReader::SkipNext(const std::atomic<bool>* cancel, std::string* err) {
  auto drop = [](const uint8_t*, size_t, std::string*) { return true; };
  return DecodeNext(drop, nullptr, cancel, err);
}

}  // namespace package
