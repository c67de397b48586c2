#pragma once
// The integrity field of our own program images (the setup stub and the
// uninstaller) and the digest it holds of the whole file such an image
// heads (the package behind the setup stub, the name index behind the
// uninstaller).
//
// The field lies in the image's section ".qrdig"; docs/format.md ("The
// integrity field of our programs") gives its bytes and what it covers.
// Authenticode signing changes only the left-out header fields and appends
// the certificate table past L (pe_image.h), so the digest stays valid when
// the file is signed. The field lies outside the XorKey (bytes 4096..12287),
// so filling it changes nothing a reader of the package layout uses; an
// image without the section (a foreign install.dat) is written and read
// exactly as before, unchecked.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "package/pe_image.h"
#include "platform/files.h"
#include "platform/sha256.h"

namespace package {

// The section's name; a macro because the programs' section attribute takes
// only a literal.
#define QR_DIGEST_SECTION ".qrdig"
inline constexpr char kDigestSection[] = QR_DIGEST_SECTION;
inline constexpr char kDigestMagic[] = "QrPackageDigest1";
inline constexpr size_t kDigestMagicSize = sizeof kDigestMagic - 1;
inline constexpr int64_t kDigestLengthAt = 16;
inline constexpr int64_t kDigestValueAt = 24;
inline constexpr size_t kDigestValueSize = std::tuple_size_v<platform::Sha256Digest>;
inline constexpr size_t kDigestFieldSize = kDigestValueAt + kDigestValueSize;

// The field as the programs are built: the magic, then zeros.
constexpr std::array<uint8_t, kDigestFieldSize> EmptyDigestField() {
  std::array<uint8_t, kDigestFieldSize> field{};
  for (size_t i = 0; i < kDigestMagicSize; ++i) field[i] = static_cast<uint8_t>(kDigestMagic[i]);
  return field;
}

// Where the field of the image with these headers lies: the start of the
// section's raw data, when the section holds a whole field below limit and
// away from the XorKey and the fields signing changes. -1 when it has none.
int64_t DigestFieldOffset(const PeHeaders& pe, int64_t limit);

enum class DigestState {
  kNone,      // no field: a foreign program, read unchecked
  kUnfilled,  // our program, but its writer left the field empty: unchecked
  kFilled,    // checked
};

// A file headed by a program image, as its reader sees it.
struct ImageData {
  int64_t file_size = 0;
  PeHeaders pe;
  bool signed_file = false;  // a certificate table ends the file
  int64_t field_at = -1;
  DigestState digest = DigestState::kNone;
  int64_t covered = 0;  // L of a filled field
  platform::Sha256Digest stored{};
  // Where the data appended to the image may end, the likeliest first: the
  // covered length of a filled field, else DataEndCandidates. Empty when a
  // filled field's length is none of the possible ends: the file was cut,
  // lengthened or damaged (kDigestLengthMismatch).
  std::vector<int64_t> ends;
};

// Reads the headers, the field and where the data may end.
bool ReadImageData(platform::File& f, ImageData* d, std::string* err);

// SHA-256 of bytes [0, end) of f without the left-out ranges. progress, when
// set, receives the bytes hashed; cancel, when set, is checked between pieces.
bool ComputeImageDigest(platform::File& f, const PeHeaders& pe, int64_t field_at, int64_t end,
                        const std::function<void(int64_t)>& progress,
                        const std::atomic<bool>* cancel, platform::Sha256Digest* digest,
                        std::string* err);

// Compares a filled field with the file: *matches is false when they differ.
// Without a filled field, true at once with *matches true. False only when
// the file cannot be read or cancel was set.
bool CheckImageDigest(platform::File& f, const ImageData& d,
                      const std::function<void(int64_t)>& progress,
                      const std::atomic<bool>* cancel, bool* matches, std::string* err);

// Fills in the field of the image (image_size bytes) at the start of f so
// that it covers the whole file as it is now. *filled is false when the
// image has no field.
bool FillImageDigest(platform::File& f, int64_t image_size, bool* filled, std::string* err);

}  // namespace package
