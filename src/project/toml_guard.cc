#include "project/toml_guard.h"

#include <vector>

namespace project {
namespace {

// The characters toml++ 3.3 cannot test for whitespace.
bool BreaksWhitespaceTest(uint32_t c) {
  return (c > 0xA0 && c < 0x49A) || (c >= 0x2C8E && c < 0x3088 && c != 0x3000) ||
         (c >= 0xFC26 && c < 0xFEFF);
}

// The code point that starts at text[i] (a byte of 0x80 or more).
uint32_t DecodeAt(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || i + static_cast<size_t>(length) > text.size()) return 0xFFFD;
  uint32_t c = lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if ((byte(i + static_cast<size_t>(k)) & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (byte(i + static_cast<size_t>(k)) & 0x3F);
  }
  return c;
}

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool Find(UnsafeCharacter* found) {
    while (i_ < text_.size()) {
      const char c = text_[i_];
      if (c == '#') {
        while (i_ < text_.size() && text_[i_] != '\n') ++i_;
        continue;  // the line break is a token
      } else if (c == '"' || c == '\'') {
        if (String(c, found)) return true;
        last_ = c;
        continue;
      } else if (static_cast<unsigned char>(c) >= 0x80) {
        return Report(found);
      } else {
        Token(c);
      }
      ++i_;
    }
    return false;
  }

 private:
  // A string here is a value: after "=", or an element of an array value.
  bool ValueContext() const {
    return last_ == '=' || (!open_.empty() && open_.back() == '[' && (last_ == '[' || last_ == ','));
  }

  void Token(char c) {
    switch (c) {
      case '\n':
        ++line_;
        if (open_.empty()) last_ = '\n';
        return;
      case ' ': case '\t': case '\r':
        return;
      case '[':
        if (ValueContext()) open_.push_back('[');  // else a table header
        break;
      case '{':
        open_.push_back('{');
        break;
      case ']': case '}':
        if (!open_.empty() && open_.back() == (c == ']' ? '[' : '{')) open_.pop_back();
        break;
    }
    last_ = c;
  }

  // A string from its opening quote; i_ ends past its closing quote.
  bool String(char quote, UnsafeCharacter* found) {
    const bool value = ValueContext();
    const bool multi_line = text_.substr(i_, 3) == std::string_view(quote == '"' ? "\"\"\"" : "'''");
    const size_t quotes = multi_line ? 3 : 1;
    i_ += quotes;
    // After a line-ending backslash toml++ tests for whitespace up to the
    // next other character.
    bool skipping = false;
    while (i_ < text_.size()) {
      const char c = text_[i_];
      if (IsClosing(quote, quotes)) {
        i_ += quotes;
        return false;
      }
      if (c == '\n') {
        if (!multi_line) return false;  // the parser reports it
        ++line_;
      }
      const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
      if (static_cast<unsigned char>(c) >= 0x80) {
        if (!value || (skipping && BreaksWhitespaceTest(DecodeAt(text_, i_)))) return Report(found);
      }
      if (!blank) skipping = false;
      if (c == '\\' && quote == '"') {
        const char next = i_ + 1 < text_.size() ? text_[i_ + 1] : '\0';
        skipping = multi_line && (next == ' ' || next == '\t' || next == '\r' || next == '\n');
        if (!skipping) ++i_;  // the escaped character
      }
      ++i_;
    }
    return false;
  }

  bool IsClosing(char quote, size_t quotes) const {
    for (size_t k = 0; k < quotes; ++k)
      if (i_ + k >= text_.size() || text_[i_ + k] != quote) return false;
    return true;
  }

  bool Report(UnsafeCharacter* found) {
    *found = {line_, DecodeAt(text_, i_)};
    return true;
  }

  std::string_view text_;
  size_t i_ = 0;
  int line_ = 1;
  char last_ = '\n';        // the last token character outside strings
  std::vector<char> open_;  // the arrays and inline tables open at i_
};

}  // namespace

bool FindUnsafeCharacter(std::string_view text, UnsafeCharacter* found) {
  return Scanner(text).Find(found);
}

}  // namespace project
