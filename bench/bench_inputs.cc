#include "bench_inputs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace bench {
namespace {

std::vector<uint8_t> Text(size_t n) {
  static const char* const kWords[] = {
      "the", "of", "and", "a", "to", "in", "is", "you", "that", "it", "he", "was", "for",
      "on", "are", "as", "with", "his", "they", "at", "be", "this", "have", "from", "or",
      "one", "had", "by", "word", "but", "not", "what", "all", "were", "we", "when", "your",
      "can", "said", "there", "use", "an", "each", "which", "she", "do", "how", "their",
      "if", "will", "up", "other", "about", "out", "many", "then", "them", "these", "so",
      "some", "her", "would", "make", "like", "him", "into", "time", "has", "look", "two",
      "more", "write", "go", "see", "number", "no", "way", "could", "people", "my", "than",
      "first", "water", "been", "call", "who", "oil", "its", "now", "find", "long", "down",
      "day", "did", "get", "come", "made", "may", "part", "installer", "package", "folder"};
  std::mt19937 rng(1);
  // Zipf-like choice: frequent words much more often than rare ones.
  std::vector<double> weights;
  for (size_t i = 0; i < std::size(kWords); ++i) weights.push_back(1.0 / (i + 1));
  std::discrete_distribution<size_t> word(weights.begin(), weights.end());
  std::vector<uint8_t> v;
  v.reserve(n);
  size_t in_sentence = 0;
  while (v.size() < n) {
    std::string w = kWords[word(rng)];
    if (in_sentence == 0) w[0] = static_cast<char>(w[0] - 'a' + 'A');
    for (char c : w) v.push_back(static_cast<uint8_t>(c));
    if (++in_sentence > 6 + rng() % 12) {
      v.push_back('.');
      v.push_back(rng() % 5 == 0 ? '\n' : ' ');
      in_sentence = 0;
    } else {
      v.push_back(rng() % 9 == 0 ? ',' : ' ');
      if (v.back() == ',') v.push_back(' ');
    }
  }
  v.resize(n);
  return v;
}

std::vector<uint8_t> Executable(size_t n) {
  std::ifstream f("/proc/self/exe", std::ios::binary);
  std::vector<uint8_t> self((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (self.size() >= n || self.empty()) return self;
  std::vector<uint8_t> v;
  while (v.size() < n) v.insert(v.end(), self.begin(), self.end());
  v.resize(n);
  return v;
}

std::vector<uint8_t> Random(size_t n) {
  std::mt19937_64 rng(2);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng() >> 56);
  return v;
}

}  // namespace

std::vector<uint8_t> DocText(size_t size) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it("/usr/share/doc", ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path f = it->path() / "copyright";
    if (fs::is_regular_file(f, ec)) files.push_back(f);
  }
  std::sort(files.begin(), files.end());
  std::vector<uint8_t> v;
  for (const fs::path& f : files) {
    if (v.size() >= size) break;
    std::ifstream in(f, std::ios::binary);
    v.insert(v.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (v.empty()) return v;
  for (size_t i = 0; v.size() < size; ++i) v.push_back(v[i]);
  v.resize(size);
  return v;
}

const std::vector<Input>& Inputs(size_t size) {
  static const std::vector<Input> inputs = {
      {"text", Text(size)},
      {"exe", Executable(size)},
      {"random", Random(size)},
      {"zeros", std::vector<uint8_t>(size, 0)},
  };
  return inputs;
}

const std::vector<uint8_t>& Code8192() {
  static const std::vector<uint8_t> code = [] {
    std::mt19937 rng(3);
    std::vector<uint8_t> c(8192);
    for (auto& b : c) b = static_cast<uint8_t>(rng());
    return c;
  }();
  return code;
}

}  // namespace bench
