// The integrity field of this program's image (package/image_digest.h): a
// section of its own, which the package writer fills in with the digest of
// the file this image heads. The link keeps it (--require-defined) though no
// code refers to it: the program reads it from its own file.
#include <array>
#include <cstdint>

#include "package/image_digest.h"

extern "C" {
__attribute__((section(QR_DIGEST_SECTION), used)) extern const std::array<uint8_t, package::kDigestFieldSize>
    qr_digest_field = package::EmptyDigestField();
}
