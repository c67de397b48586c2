#pragma once
// The codec's error texts, defined once. Callers prefix them with the file
// concerned where one is known.

namespace codec::msg {

inline constexpr char kCodeTooShort[] = "the code array must hold at least 2 bytes";
inline constexpr char kInputTooLarge[] = "input is 2 GiB or larger; a stream holds at most 2147483647 bytes";
inline constexpr char kStreamTooLarge[] = "compressed stream would exceed 2147483647 bytes";
inline constexpr char kHeaderCut[] = "compressed stream is cut short: its 4-byte size header is incomplete";
inline constexpr char kNegativeSize[] = "compressed stream is corrupt: negative original size";
inline constexpr char kTruncated[] = "compressed stream is truncated or corrupt: it ends before the original size is produced";
inline constexpr char kBadReference[] = "compressed stream is corrupt: a reference names a position not yet written";
inline constexpr char kTrailingBytes[] = "compressed stream is corrupt: bytes are left over after the original size is produced";
inline constexpr char kOffsetPastEnd[] = "stream offset lies beyond the end of the file";
inline constexpr char kNegativeOffset[] = "stream offset is negative";
inline constexpr char kOutputIsInput[] = "the output file must not be the input file";
inline constexpr char kNoOutputName[] = "no output file named";
// The parallel encoder lost track of its chunks (a fault of ours, not of the input).
inline constexpr char kChunksLost[] = "internal error: the parallel encoder lost track of its chunks";

}  // namespace codec::msg
