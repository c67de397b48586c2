// POSIX implementation of text.h with iconv.

#include "platform/text.h"

#include <errno.h>
#include <iconv.h>

namespace platform {
namespace {

// Length of the UTF-8 sequence that starts at s[0], at least 1 and at most
// what is left; a stray byte counts alone.
size_t Utf8SequenceLength(const char* s, size_t left) {
  unsigned char lead = static_cast<unsigned char>(s[0]);
  size_t len = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
  size_t n = 1;
  while (n < len && n < left && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
  return n;
}

// Converts with iconv; at an input it cannot convert, appends `replacement`
// and skips `skip(in, left)` bytes. Returns whether a replacement was made.
template <typename Skip>
bool Convert(const char* to, const char* from, std::string_view input, std::string_view replacement,
             Skip skip, std::string* out) {
  out->clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter installed: keep ASCII, replace every other byte.
    bool replaced = false;
    for (char c : input) {
      bool ascii = static_cast<unsigned char>(c) < 0x80;
      if (ascii)
        out->push_back(c);
      else
        out->append(replacement);
      replaced |= !ascii;
    }
    return replaced;
  }
  bool replaced = false;
  char* in = const_cast<char*>(input.data());
  size_t in_left = input.size();
  char buf[4096];
  while (in_left > 0) {
    char* out_ptr = buf;
    size_t out_left = sizeof buf;
    size_t r = iconv(cd, &in, &in_left, &out_ptr, &out_left);
    out->append(buf, static_cast<size_t>(out_ptr - buf));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: an input sequence that cannot be converted.
    out->append(replacement);
    replaced = true;
    size_t n = skip(in, in_left);
    in += n;
    in_left -= n;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return replaced;
}

}  // namespace

std::string ToCodePage936(std::string_view utf8, bool* lossy) {
  std::string out;
  bool replaced = Convert("CP936", "UTF-8", utf8, "?", Utf8SequenceLength, &out);
  if (lossy) *lossy = replaced;
  return out;
}

std::string FromCodePage936(std::string_view bytes) {
  std::string out;
  Convert("UTF-8", "CP936", bytes, "\xEF\xBF\xBD", [](const char*, size_t) { return size_t{1}; },
          &out);
  return out;
}

}  // namespace platform
