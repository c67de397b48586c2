#include "package_source.h"

#include <windows.h>

#include "disk_space.h"
#include "package/messages.h"
#include "package/package_reader.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

// The package appended to the setup program, read with the package reader.
class OwnPackage : public PackageSource {
 public:
  bool Open(const std::wstring& exe_path, std::string* err) {
    if (!reader_.Open(platform::WideToUtf8(exe_path), err)) {
      // The reader names damage itself; anything else (the file cannot be
      // read) gets the lead here.
      if (err->rfind(package::msg::kPackageDamaged, 0) != 0)
        *err = platform::WideToUtf8(text::kBadPackage) + *err;
      return false;
    }
    const package::PackageContents& c = reader_.contents();
    if (!c.config_parsed) {
      *err = package::msg::kPackageDamaged + platform::WideToUtf8(text::kConfigIncomplete);
      return false;
    }
    config_ = {platform::Utf8ToWide(c.config.app_name), platform::Utf8ToWide(c.config.setup_dir),
               platform::Utf8ToWide(c.config.publisher), platform::Utf8ToWide(c.config.version)};
    for (const package::OptionRecord& o : c.options)
      options_.push_back({static_cast<int>(o.bit), platform::Utf8ToWide(o.name), c.option_list});
    for (const package::FileRecord& f : c.files)
      files_.push_back({platform::Utf8ToWide(f.rel_path), f.size()});
    return true;
  }

  const SetupConfig& config() const override { return config_; }
  const std::vector<OptionRecord>& options() const override { return options_; }
  const std::vector<FileRecord>& files() const override { return files_; }

  // dest is always a new name (a free place or a staging file), so an
  // existing file there is never overwritten.
  bool Extract(size_t i, const std::wstring& dest, const ProgressFn& progress,
               std::string* err) override {
    auto on_bytes = [&](int32_t n) {
      if (progress) progress(n);
    };
    HANDLE h = CreateFileW(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      *err = platform::WideToUtf8(SystemError(text::kCannotWriteFile, dest, GetLastError()));
      return false;
    }
    int64_t left = files_[i].size;
    auto write = [&](const uint8_t* buf, size_t n, std::string* e) {
      DWORD written = 0;
      if (WriteFile(h, buf, static_cast<DWORD>(n), &written, nullptr) && written == n) {
        left -= static_cast<int64_t>(n);
        return true;
      }
      DWORD code = written == n ? GetLastError() : ERROR_DISK_FULL;
      uint64_t free_bytes = 0;
      if (IsDiskFullCode(code) && FreeBytesAt(ParentOf(dest), &free_bytes))
        *e = platform::WideToUtf8(DiskFullMessage(ParentOf(dest), static_cast<uint64_t>(left), free_bytes));
      else
        *e = platform::WideToUtf8(SystemError(text::kCannotWriteFile, dest, code));
      return false;
    };
    bool ok = reader_.DecodeRecord(i, write, on_bytes, err);
    if (!CloseHandle(h) && ok) {
      *err = platform::WideToUtf8(SystemError(text::kCannotWriteFile, dest, GetLastError()));
      ok = false;
    }
    if (!ok) DeleteFileW(dest.c_str());
    return ok;
  }

  bool Verify(const ProgressFn& progress, const std::atomic<bool>* cancel,
              std::string* err) override {
    return reader_.VerifyDigest(progress, cancel, err);
  }
  int64_t digest_bytes() const override {
    const package::ImageData& image = reader_.image();
    return image.digest == package::DigestState::kFilled ? image.covered : 0;
  }
  std::wstring digest_text() const override {
    std::wstring hex;
    if (digest_bytes() == 0) return hex;
    for (uint8_t b : reader_.image().stored) {
      hex += L"0123456789abcdef"[b >> 4];
      hex += L"0123456789abcdef"[b & 15];
    }
    return hex;
  }

 private:
  package::PackageReader reader_;
  SetupConfig config_;
  std::vector<OptionRecord> options_;
  std::vector<FileRecord> files_;
};

}  // namespace

std::unique_ptr<PackageSource> OpenOwnPackage(const std::wstring& exe_path, std::string* err) {
  auto pkg = std::make_unique<OwnPackage>();
  if (!pkg->Open(exe_path, err)) return nullptr;
  return pkg;
}

}  // namespace stub
