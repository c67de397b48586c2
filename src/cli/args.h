#pragma once
// A small parser for "POSITIONAL... [--name VALUE] [--flag]" command lines.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace cli {

struct ArgSyntax {
  std::vector<std::string> value_options;  // "--level", "--key", ...
  std::vector<std::string> flags;          // options without a value
  size_t positional = 0;                   // exact number of positional arguments
};

struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // option -> its (first) value
  std::map<std::string, std::vector<std::string>> all_values;  // every value, in order
  std::vector<std::string> flags;             // flags given
  bool help = false;                          // --help or -h anywhere

  bool Has(const std::string& option) const { return values.count(option) != 0; }
  bool HasFlag(const std::string& flag) const;
};

// Parses args. "--" ends the options. False, with a message, for an unknown
// option, a missing value, a repeated option (unless it is one of the value
// options in repeatable) or a wrong number of positional arguments (not
// checked when help is asked for).
bool ParseArgs(const std::vector<std::string>& args, const ArgSyntax& syntax, ParsedArgs* parsed,
               std::string* err, const std::vector<std::string>& repeatable = {});

// Decimal integer in [lo, hi] with nothing else around it.
bool ParseInteger(const std::string& text, int64_t lo, int64_t hi, int64_t* value);

}  // namespace cli
