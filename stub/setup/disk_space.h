#pragma once
// Room on the disk of the install folder: checked before anything is
// written, and named when a write finds the disk full.

#include <cstdint>
#include <string>

namespace stub {

// The bytes free to this process on the disk that holds folder (or the
// nearest folder above it that exists); false when the system cannot tell.
bool FreeBytesAt(const std::wstring& folder, uint64_t* free_bytes);

// A size as people read it: "12.3 MB", "1.0 GB", "512 KB".
std::wstring ReadableSize(uint64_t bytes);

// The message for a disk without room for needed bytes in folder: names the
// folder, the room needed and the room free.
std::wstring DiskFullMessage(const std::wstring& folder, uint64_t needed, uint64_t free_bytes);

// True for the system's error codes of a full disk.
bool IsDiskFullCode(unsigned long code);

}  // namespace stub
