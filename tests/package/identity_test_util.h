#pragma once
// Icons and program images for the identity tests, made by hand from the
// .ico layout (not by the code under test), and this build's own stub
// programs.

#include <cstdint>
#include <string>
#include <vector>

namespace identity_test {

// A 32-bit DIB icon image of w x h pixels whose pixels follow seed.
std::string DibImage(uint32_t w, uint32_t h, uint8_t seed);
// The start of a PNG image that says w x h (all a reader looks at).
std::string PngImage(uint32_t w, uint32_t h);
// An .ico file of the images; width/height fields from each image's size
// (0 for 256 and more).
struct IcoImage {
  uint32_t w, h;
  std::string data;
};
std::string IcoFile(const std::vector<IcoImage>& images);

// This build's setup.exe or uninst.exe ("setup" or "uninst"); empty when
// the build has none.
std::string StubImage(const std::string& name);
// The image with its capability mark renamed: a stub of an earlier version.
std::string WithoutMark(std::string image);

}  // namespace identity_test
