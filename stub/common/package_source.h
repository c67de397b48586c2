#pragma once
// What the setup program needs from a package: its configuration, the option
// records, the file records (the uninstaller last) and a way to decode one
// record into a file. OpenOwnPackage reads the package that follows the setup
// image; tests can hand the installer a source of their own.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "package/layout.h"

namespace stub {

struct SetupConfig {
  std::wstring app_name;
  std::wstring setup_dir;
  std::wstring publisher;
  std::wstring version;
};

struct OptionRecord {
  int bit = 0;            // one of entries::kOptionBits
  std::wstring name;      // a top-level entry of the install folder, or in a
                          // record list (package/layout.h) a file's RelPath
  bool in_list = false;   // from the option record list
};

struct FileRecord {
  std::wstring rel_path;  // "\" between segments, as stored
  int64_t size = 0;       // decoded size
};

// The name of the uninstaller's record, always the last one: the wide form
// of package::kUninstallerName (plain ASCII), made at compile time.
template <size_t N>
constexpr std::array<wchar_t, N> WidenAscii(const char (&ascii)[N]) {
  std::array<wchar_t, N> wide{};
  for (size_t i = 0; i < N; ++i) wide[i] = static_cast<wchar_t>(ascii[i]);
  return wide;
}
inline constexpr std::array kUninstallerNameText = WidenAscii(package::kUninstallerName);
inline constexpr const wchar_t* kUninstallerName = kUninstallerNameText.data();

using ProgressFn = std::function<void(int64_t bytes)>;

class PackageSource {
 public:
  virtual ~PackageSource() = default;
  virtual const SetupConfig& config() const = 0;
  virtual const std::vector<OptionRecord>& options() const = 0;
  virtual const std::vector<FileRecord>& files() const = 0;
  // Decodes file record i into dest (created or replaced). Fails with a
  // message when the stream is damaged; dest may then hold a partial file.
  // The files of a compact package lie in one solid stream: taken in record
  // order, each is decoded once (another attempt starts the stream again).
  // Damage of a solid frame may show only at its last file, after its
  // earlier files were decoded whole.
  virtual bool Extract(size_t i, const std::wstring& dest, const ProgressFn& progress,
                       std::string* err) = 0;
  // Checks the digest the package carries of itself, reading digest_bytes()
  // bytes; progress receives the bytes read, cancel is checked between
  // pieces. A package that carries no digest passes at once.
  virtual bool Verify(const ProgressFn& progress, const std::atomic<bool>* cancel,
                      std::string* err) {
    (void)progress, (void)cancel, (void)err;
    return true;
  }
  virtual int64_t digest_bytes() const { return 0; }
  // The SHA-256 the package carries of itself, in hexadecimal; empty when
  // it carries none.
  virtual std::wstring digest_text() const { return L""; }
};

// Reads the package appended to the program at exe_path (below its
// certificate table when the program is signed): the trailer, the
// configuration, the option and file records. A damaged or foreign package
// (bad trailer, counts, offsets or lengths, no uninstaller record) fails with
// a complete message, ready to show.
std::unique_ptr<PackageSource> OpenOwnPackage(const std::wstring& exe_path, std::string* err);

}  // namespace stub
