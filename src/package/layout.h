#pragma once
// The package layout, defined once: the constants, the little-endian fields,
// XorBytes, coded strings and the trailer. The writer, the reader, the setup
// stub and the uninstaller all build on these.
//
// A package is: the setup stub image (S bytes; its bytes 4096..12287 are the
// XorKey), the configuration text as a coded string at C = S, an i16 option
// union, the option records (u8 bit, coded Name), the file records (coded
// RelPath, i32 compLen, codec stream of 4 + compLen bytes), the record of
// "uninst.exe" last, and a 12-byte trailer: total ^ mask, C ^ mask,
// record count ^ mask.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace package {

// XORed into stored counts, offsets and coded bytes (the codec's format mask).
inline constexpr uint8_t kFormatMask = 0x71;

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
inline constexpr int64_t kStreamHeaderSize = 4;
// Sizes are signed 32-bit: the payload plus the stub's share may not exceed this.
inline constexpr int64_t kMaxTotalSize = 2147483647;
inline constexpr int16_t kCompressLevel = 16;
// The uninstaller's record name, last in every package.
inline constexpr char kUninstallerName[] = "uninst.exe";

// The six install options (bit values), in the order their records are written.
inline constexpr std::array<int32_t, 6> kOptionBits = {1, 2, 4, 8, 16, 32};
inline constexpr int32_t kDirectoryBit = 64;

// The configuration text's labels (UTF-8; the colon is U+FF1A) and separator.
inline constexpr char kLabelAppName[] = "AppName：";
inline constexpr char kLabelSetupDir[] = "SetupDir：";
inline constexpr char kLabelPublisher[] = "Publisher：";
inline constexpr char kLabelVersion[] = "Version：";
inline constexpr char kConfigSeparator[] = "\r\n";
// Each property value is cut to this many UTF-16 characters.
inline constexpr size_t kConfigValueChars = 20;

// Little-endian fields.
void PutI16(std::string* out, int16_t v);
void PutI32(std::string* out, int32_t v);
int16_t GetI16(const uint8_t* p);
int32_t GetI32(const uint8_t* p);

// Codes data in place: byte i ^= key[j] ^ kFormatMask, j = i for data of at
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
