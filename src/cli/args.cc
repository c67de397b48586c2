#include "cli/args.h"

#include <algorithm>
#include <charconv>

namespace cli {

bool ParsedArgs::HasFlag(const std::string& flag) const {
  return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

bool ParseArgs(const std::vector<std::string>& args, const ArgSyntax& syntax, ParsedArgs* parsed,
               std::string* err, const std::vector<std::string>& repeatable) {
  *parsed = ParsedArgs{};
  auto listed = [](const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  };
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_end || a.size() < 2 || a[0] != '-') {
      parsed->positional.push_back(a);
    } else if (a == "--") {
      options_end = true;
    } else if (a == "--help" || a == "-h") {
      parsed->help = true;
    } else if (listed(syntax.flags, a)) {
      parsed->flags.push_back(a);
    } else if (listed(syntax.value_options, a)) {
      if (i + 1 == args.size()) {
        *err = "option " + a + " needs a value";
        return false;
      }
      const std::string& value = args[++i];
      parsed->all_values[a].push_back(value);
      if (!parsed->values.emplace(a, value).second && !listed(repeatable, a)) {
        *err = "option " + a + " given twice";
        return false;
      }
    } else {
      *err = "unknown option " + a;
      return false;
    }
  }
  if (!parsed->help && parsed->positional.size() != syntax.positional) {
    *err = parsed->positional.size() < syntax.positional ? "missing arguments" : "too many arguments";
    return false;
  }
  return true;
}

bool ParseInteger(const std::string& text, int64_t lo, int64_t hi, int64_t* value) {
  int64_t v = 0;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || p != end || v < lo || v > hi) return false;
  *value = v;
  return true;
}

}  // namespace cli
