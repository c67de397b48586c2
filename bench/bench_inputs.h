#pragma once
// The benchmark inputs, built in the process so every run sees the same kind
// of bytes: English-like text, real machine code, random bytes and zeros.

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct Input {
  std::string name;
  std::vector<uint8_t> bytes;
};

// The four inputs, each of about size bytes (the executable is this
// program's own file, repeated when shorter).
const std::vector<Input>& Inputs(size_t size);

// Real prose: this machine's package documentation (the copyright files
// under /usr/share/doc, in path order), repeated when shorter; empty when
// there is none.
std::vector<uint8_t> DocText(size_t size);

// An 8192-byte code array, as the package writer uses.
const std::vector<uint8_t>& Code8192();

}  // namespace bench
