#pragma once
// The encoders' output: items gathered into groups (a flag byte and up to
// eight items), groups appended to a block buffer that is masked and written
// whenever it holds kBlockSize bytes. A group may straddle two blocks.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include "codec/item_record.h"
#include "codec/stream_format.h"
#include "codec/stream_io.h"
#include "codec/xor_mask.h"

namespace codec {

class GroupWriter {
 public:
  GroupWriter(const WriteFn& write, std::span<const uint8_t> code)
      : write_(write), code_(code), out_(std::make_unique_for_overwrite<uint8_t[]>(kBlockSize + kGroupMax)) {}

  // Each item first closes the group before it once that holds eight.
  bool Literal(uint8_t byte, std::string* err) {
    if (!Room(err)) return false;
    group_[0] |= static_cast<uint8_t>(bit_);
    group_[size_++] = byte;
    bit_ <<= 1;
    return true;
  }
  bool Reference(int pos, int length, std::string* err) {
    if (!Room(err)) return false;
    group_[size_] = static_cast<uint8_t>(pos);
    group_[size_ + 1] = static_cast<uint8_t>(((pos >> 4) & 0xF0) | (length - kMinMatch));
    size_ += 2;
    bit_ <<= 1;
    return true;
  }

  // Told where the items so far end; a stream needs no such marks.
  void Reached(int32_t) {}

  // The items of record from from up to (not including) to, as if each
  // were passed to Literal or Reference.
  bool Items(const ItemRecord& record, const ItemRecord::Cursor& from, const ItemRecord::Cursor& to,
             std::string* err) {
    int64_t item = from.item;
    const uint8_t* bytes = record.bytes() + from.byte;
    int64_t left = to.item - from.item;
    while (left > 0) {
      if (!Room(err)) return false;
      if (bit_ == 1 && left > 8) {
        // Whole groups straight into the block while more than a group is
        // to come (the last one stays open, as an item's would). The copy
        // takes sixteen bytes: the block and the record have room for it.
        for (; left > 8; item += 8, left -= 8) {
          const uint32_t literals = record.Flags(item, 8);
          const int n = 16 - kLiteralCount[literals];
          uint8_t* const at = out_.get() + used_;
          at[0] = static_cast<uint8_t>(literals);
          std::memcpy(at + 1, bytes, 16);
          bytes += n;
          used_ += 1 + n;
          if (!Settle(err)) return false;
        }
        continue;
      }
      const int have = __builtin_ctz(static_cast<unsigned>(bit_));
      const int take = static_cast<int>(std::min<int64_t>(8 - have, left));
      const uint32_t literals = record.Flags(item, take);
      const int n = 2 * take - kLiteralCount[literals];
      group_[0] |= static_cast<uint8_t>(literals << have);
      std::memcpy(group_ + size_, bytes, static_cast<size_t>(n));
      size_ += n;
      bytes += n;
      bit_ <<= take;
      item += take;
      left -= take;
    }
    return true;
  }

  // Writes the last group, one to eight items, and the last block.
  bool Finish(std::string* err) { return PutGroup(err) && FlushBlock(err); }

  // The compressed bytes written so far (header not counted).
  int64_t written() const { return written_; }

 private:
  static constexpr int kGroupMax = 1 + 2 * 8;  // flag byte and eight references
  // The number of set bits of a flag byte: the literals among its items.
  static constexpr auto kLiteralCount = [] {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(std::popcount(static_cast<unsigned>(i)));
    return t;
  }();

  bool Room(std::string* err) {
    if (bit_ != 0x100) return true;
    if (!PutGroup(err)) return false;
    group_[0] = 0;
    size_ = 1;
    bit_ = 1;
    return true;
  }

  bool PutGroup(std::string* err) {
    std::memcpy(out_.get() + used_, group_, static_cast<size_t>(size_));
    used_ += size_;
    return Settle(err);
  }

  // Once the block is full, writes it; the group that ran past its end
  // starts the next one.
  bool Settle(std::string* err) {
    if (used_ < kBlockSize) return true;
    const int excess = used_ - kBlockSize;
    used_ = kBlockSize;
    if (!FlushBlock(err)) return false;
    std::memcpy(out_.get(), out_.get() + kBlockSize, static_cast<size_t>(excess));
    used_ = excess;
    return true;
  }

  bool FlushBlock(std::string* err) {
    if (used_ == 0) return true;
    MaskBlock(out_.get(), static_cast<size_t>(used_), code_);
    if (!write_(out_.get(), static_cast<size_t>(used_), err)) return false;
    written_ += used_;
    used_ = 0;
    return true;
  }

  const WriteFn& write_;
  std::span<const uint8_t> code_;
  std::unique_ptr<uint8_t[]> out_;  // a block, and room for a group past it
  int used_ = 0;                    // bytes in out_
  int64_t written_ = 0;
  uint8_t group_[kGroupMax] = {0};
  int size_ = 1;    // bytes in group_
  int bit_ = 1;     // the flag bit of the next item; 0x100 when the group is full
};

}  // namespace codec
