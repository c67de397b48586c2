#pragma once
// install.dat, the container of the two programs every package needs: two
// codec streams masked with the format mask alone, laid out as
// docs/format.md ("install.dat, the stub container") says.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/files.h"

namespace package {

// Packs two program images into a container at out_path (created or
// replaced). Images shorter than kMinImageSize are refused. On failure no
// file is left at out_path.
bool WriteStubContainer(const std::string& stub_path, const std::string& uninst_path,
                        const std::string& out_path, std::string* err);

enum class StubMember { kSetup, kUninstaller };

// What the package writer reads of a container before decoding it.
struct StubContainer {
  std::string path;
  int32_t l1 = 0;            // the first field; the stub's share of the size limit
  int32_t setup_size = 0;    // original sizes from the members' stream headers
  int32_t uninst_size = 0;
  int64_t MemberOffset(StubMember m) const { return m == StubMember::kSetup ? 4 : int64_t{l1} + 12; }
};

// Reads L1 and both stream headers and checks that they lie inside the file
// and announce images of at least kMinImageSize bytes. Any damage gets a
// message starting "install.dat已损坏：", a file that cannot be read one
// naming it with the system's reason.
bool OpenStubContainer(const std::string& path, StubContainer* c, std::string* err);

// The whole check of a container the digest check cannot vouch for (one
// given by path): OpenStubContainer, then both members decode and each
// stream ends exactly where the container says (the second at the file's
// end), and each image is a Windows program that holds all its sections.
// Damage gets a message starting "install.dat已损坏：" and naming the file.
bool CheckStubContainer(const std::string& path, std::string* err);

// Decodes one member onto out at its position and checks that the image
// holds at least kMinImageSize bytes. progress, when set, receives the
// decoder's byte counts. When writing to out fails, *write_failed is set and
// *err is the platform layer's message; a failure to read the container and
// damage get their messages. stop, when set, is the decoder's stop request:
// a stopped decode returns false with *err empty.
bool DecodeStubMember(const StubContainer& c, StubMember m, platform::File& out,
                      const std::function<void(int32_t)>& progress,
                      const std::atomic<bool>* stop, bool* write_failed, std::string* err);

}  // namespace package
