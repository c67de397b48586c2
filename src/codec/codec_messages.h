#pragma once
// The codec's error texts, defined once, in the language of the programs'
// users. Callers prefix them with the file concerned where one is known.

namespace codec::msg {

inline constexpr char kCodeTooShort[] = "编码数组至少要有2个字节";
inline constexpr char kInputTooLarge[] = "输入文件大于或等于2G，压缩数据最多只能容纳2147483647字节";
inline constexpr char kStreamTooLarge[] = "压缩数据将超过2147483647字节";
inline constexpr char kHeaderCut[] = "压缩数据不完整：开头4字节的大小字段被截断";
inline constexpr char kNegativeSize[] = "压缩数据已损坏：原始大小为负数";
inline constexpr char kTruncated[] = "压缩数据被截断或已损坏：在解出全部原始数据之前就结束了";
inline constexpr char kBadReference[] = "压缩数据已损坏：引用了尚未解出的位置";
inline constexpr char kTrailingBytes[] = "压缩数据已损坏：解出全部原始数据之后还有多余的字节";
inline constexpr char kOffsetPastEnd[] = "压缩数据的起始位置超出了文件末尾";
inline constexpr char kNegativeOffset[] = "压缩数据的起始位置为负数";
inline constexpr char kOutputIsInput[] = "输出文件不能是输入文件";
inline constexpr char kNoOutputName[] = "没有指定输出文件";
// The parallel encoder lost track of its chunks (a fault of ours, not of the input).
inline constexpr char kChunksLost[] = "内部错误：并行压缩丢失了数据块";

}  // namespace codec::msg
