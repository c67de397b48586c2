#pragma once
// Compact packages made by hand for the reader's tests and the fuzz seeds:
// the layout assembled field by field and the frames compressed by calling
// zstd directly, not through the package writer, so faults of the writer
// and the reader cannot hide each other.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace compact_test {

struct HandFile {
  std::string name;  // ASCII RelPath
  std::string data;
};

// A frame as it goes into the package: how many files it claims and its
// compLen bytes.
struct HandFrame {
  int32_t files = 0;
  std::string bytes;
};

// The program image with its RT_RCDATA resource "QRSOLID" holding version
// (in place of any it had), as a setup program that reads compact packages
// carries it; an empty version removes it.
std::string WithSolidMark(std::string image, const std::string& version = "1");
// The image without the resource: a setup program of an earlier version.
std::string WithoutSolidMark(std::string image);

// One zstd frame of content at level 3; content_size_flag off leaves the
// size out of the header, so only decoding can tell it.
std::string ZstdFrame(const std::string& content, bool content_size_flag = true);

// The frame with the window its header claims raised to 2^window_log bytes
// (a frame written without its content size, so the header has a window
// descriptor).
std::string WithWindowLog(std::string frame, int window_log);
// The frame with a one-byte dictionary id inserted into its header.
std::string WithDictionaryId(std::string frame, uint8_t id);
// A skippable frame holding payload.
std::string SkippableFrame(const std::string& payload);

// The files' frames: all files in one frame (empty when every file is empty).
std::vector<HandFrame> OneFrame(const std::vector<HandFile>& files);

// A whole compact package: a 20000-byte stub image (not a program), the
// configuration, the option union (kSolidFlag by default), the files'
// records, frameCount and frames as given, an empty uninstaller record and
// the trailer. Without frame_count, frames.size() is stored.
struct HandPackage {
  HandPackage() = default;
  HandPackage(std::vector<HandFile> f, std::vector<HandFrame> fr,
              std::optional<int32_t> count = std::nullopt)
      : files(std::move(f)), frames(std::move(fr)), frame_count(count) {}
  std::vector<HandFile> files;
  std::vector<HandFrame> frames;
  std::optional<int32_t> frame_count;
  int16_t option_union = 0x200;
  std::string Bytes() const;
};

}  // namespace compact_test
