#include "project/text_format.h"

namespace project {

std::string FormatText(std::string_view text, std::initializer_list<std::string> values) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t n = i + 1 < text.size() ? static_cast<size_t>(text[i + 1] - '1') : values.size();
    if (text[i] == '%' && n < values.size()) {
      out += values.begin()[n];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace project
