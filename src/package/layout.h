#pragma once
// The package layout, defined once: the constants, the little-endian fields,
// XorBytes, coded strings and the trailer. The writer, the reader, the setup
// stub and the uninstaller all build on these. The layout itself, the option
// list extension included, is written down in docs/format.md ("The
// package").

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "codec/stream_format.h"
#include "entries/option_bits.h"

namespace package {

// Stored counts, offsets and coded bytes are XORed with codec::kFormatMask;
// every stream is written at codec::kCompressLevel; the option records carry
// the bits of entries::kOptionBits.

// XorKey: the 8192 bytes at 4096..12287 of the image being extended.
inline constexpr int64_t kXorKeyOffset = 4096;
inline constexpr size_t kXorKeySize = 8192;
// Long data cycles through key[0..8190]: the divisor is the key's last index.
inline constexpr size_t kXorKeyModulus = kXorKeySize - 1;
// A stub or uninstaller image must hold a whole XorKey.
inline constexpr int64_t kMinImageSize = kXorKeyOffset + static_cast<int64_t>(kXorKeySize);
using XorKey = std::array<uint8_t, kXorKeySize>;

inline constexpr size_t kMaxCodedStringBytes = 32767;
inline constexpr int64_t kTrailerSize = 12;
inline constexpr int64_t kCompLenSize = 4;
// Sizes are signed 32-bit: the payload plus the stub's share may not exceed this.
inline constexpr int64_t kMaxTotalSize = 2147483647;
// The uninstaller's record name, last in every package.
inline constexpr char kUninstallerName[] = "uninst.exe";

// The configuration text's labels (UTF-8; the colon is U+FF1A) and separator.
inline constexpr char kLabelAppName[] = "AppName：";
inline constexpr char kLabelSetupDir[] = "SetupDir：";
inline constexpr char kLabelPublisher[] = "Publisher：";
inline constexpr char kLabelVersion[] = "Version：";
// A label's name without its colon ("AppName"), as the JSON listing names it.
inline constexpr std::string_view kLabelColon = "：";
constexpr std::string_view LabelKey(std::string_view label) {
  return label.substr(0, label.size() - kLabelColon.size());
}
inline constexpr char kConfigSeparator[] = "\r\n";
// The option union's bits: the six options, and the flag of the record list.
inline constexpr int16_t kOptionUnionBits = 0x3F;
inline constexpr int16_t kOptionListFlag = 0x100;
// The compact package (docs/format.md "The compact package"): its flag in the
// option union; after the file records (RelPath and i32 size each) the solid
// data: i32 frameCount (masked), then per frame i32 files, i32 compLen (plain)
// and compLen bytes of exactly one zstd frame holding those files' bytes.
inline constexpr int16_t kSolidFlag = 0x200;
// A frame's window is at most 2^kSolidWindowLogMax bytes (128 MiB): readers
// decode with this ZSTD_d_windowLogMax, within kSolidDecodeMemory bytes.
inline constexpr int kSolidWindowLogMax = 27;
inline constexpr int64_t kSolidDecodeMemory = int64_t{256} << 20;
// A setup program that reads compact packages carries an RT_RCDATA resource
// of this name whose data is kSolidLayoutVersion (ASCII, no terminator).
inline constexpr char kSolidResourceName[] = "QRSOLID";
inline constexpr char kSolidLayoutVersion[] = "1";
// Each property value is cut to this many UTF-16 characters.
inline constexpr size_t kConfigValueChars = 20;

// Little-endian fields.
void PutI16(std::string* out, int16_t v);
void PutI32(std::string* out, int32_t v);
int16_t GetI16(const uint8_t* p);
int32_t GetI32(const uint8_t* p);

// Codes data in place: byte i ^= key[j] ^ codec::kFormatMask, j = i for data of at
// most 8192 bytes, else i mod 8191. Applying it twice restores the data.
void XorBytes(std::span<uint8_t> data, const XorKey& key);

// Appends a coded string (i16 length, then the coded bytes) of bytes, which
// are already code page 936. Fails when bytes exceed kMaxCodedStringBytes.
bool AppendCodedString(std::string* out, std::string_view bytes, const XorKey& key,
                       std::string* err);

struct Trailer {
  int32_t total = 0;         // sum of the payload sizes plus the uninstaller's
  int32_t config_offset = 0; // C, where the stub image ends
  int32_t record_count = 0;  // file records, the uninstaller's included
};
std::string EncodeTrailer(const Trailer& t);
Trailer DecodeTrailer(const uint8_t (&bytes)[kTrailerSize]);

}  // namespace package
