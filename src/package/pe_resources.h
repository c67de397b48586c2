#pragma once
// Rewriting the resources of a program image, without any system help: the
// builder runs on Linux as well.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "package/resource_tree.h"
#include "platform/files.h"

namespace package {

// Replaces the resource section of image (a whole image file, nothing
// appended) with one holding resources. It works on the images our linker
// makes: the resource directory starts a section ".rsrc" that at most the
// base relocation section follows, and the last section's data ends the
// file. The resource section grows or shrinks in place, the relocation
// section moves up behind it, and the headers follow: the section table,
// the resource and relocation directories, SizeOfImage,
// SizeOfInitializedData and (when the image has one) the CheckSum. False,
// with a message in *err and image unchanged, for any other image.
bool ReplaceResources(std::string* image, const std::vector<Resource>& resources, std::string* err);

enum class FileResources {
  kRead,      // *resources holds them (none for an image without)
  kNotImage,  // no PE image
  kDamaged,   // the tree or the section lies outside the file
  kTooLarge,  // a resource section over kMaxResourceSectionBytes
};
inline constexpr int64_t kMaxResourceSectionBytes = 256LL * 1024 * 1024;

// Reads the resources of the image at the start of f (a file of size bytes)
// from its headers and resource section alone. False only when f cannot be
// read (*err the platform's message).
bool ReadFileResources(platform::File& f, int64_t size, std::vector<Resource>* resources,
                       FileResources* result, std::string* err);

// The optional header's CheckSum of a file whose field lies at checksum_at.
uint32_t PeChecksum(std::span<const uint8_t> file, int64_t checksum_at);

}  // namespace package
