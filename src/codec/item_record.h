#pragma once
// The items of a parse, recorded as the stream stores them but not yet
// gathered into groups: per item one flag bit (set: literal) and its byte,
// or the two bytes of a reference. An encoder writes into a record as into
// a GroupWriter (Literal, Reference); cursors walk it item by item with
// the index each item starts at.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace codec {

class ItemRecord {
 public:
  // A place in the record: the item's number, where its bytes begin and the
  // stream index the item starts at.
  struct Cursor {
    int64_t item = 0;
    int64_t byte = 0;
    int32_t at = 0;
  };

  // Empties the record; its first item will start at index start. Room is
  // made for items covering about span indexes.
  void Start(int32_t start, int64_t span);

  bool Literal(uint8_t byte, std::string*) {
    if (at_ >= next_mark_) Mark();
    if (items_ == item_room_ || used_ + 2 > byte_room_) Grow();
    bytes_[used_++] = byte;
    flags_[items_ >> 6] |= uint64_t{1} << (items_ & 63);
    ++items_;
    at_ += 1;
    return true;
  }
  bool Reference(int pos, int length, std::string*);

  // The first item, and the place after the last one.
  Cursor First() const;
  Cursor End() const { return {items_, used_, at_}; }
  // The first item that starts at index or later (End() when none does).
  Cursor Seek(int32_t index) const;
  // Moves c to the next item; c must not be End().
  void Step(Cursor* c) const;
  // Whether the item at a here and the item at b of other are the same
  // (both literals of the same byte, or references with the same position
  // and length).
  bool Same(const Cursor& a, const ItemRecord& other, const Cursor& b) const;

  // Forgets the items before c, which becomes First().
  void DropBefore(const Cursor& c);

  // The flag bits of count (<= 8) items from item on, bit 0 for the first.
  uint32_t Flags(int64_t item, int count) const {
    const int64_t word = item >> 6;
    const int shift = static_cast<int>(item & 63);
    uint64_t v = flags_[word] >> shift;
    if (shift + count > 64) v |= flags_[word + 1] << (64 - shift);
    return static_cast<uint32_t>(v) & ((1u << count) - 1);
  }
  const uint8_t* bytes() const { return bytes_.get(); }
  bool IsLiteral(int64_t item) const { return (flags_[item >> 6] >> (item & 63)) & 1; }

  // Bytes held, for the memory bound.
  int64_t held() const { return byte_room_ + (item_room_ / 64 + 2) * 8; }

 private:
  // A cursor is kept for the first item at or after every multiple of
  // kMarkSpan, so Seek walks at most that far.
  static constexpr int32_t kMarkSpan = 4096;

  void Mark();
  void Grow();

  std::unique_ptr<uint8_t[]> bytes_;
  std::unique_ptr<uint64_t[]> flags_;  // item_room_ / 64 + 2 words, unused bits 0
  int64_t byte_room_ = 0;
  int64_t item_room_ = 0;
  int64_t used_ = 0;   // bytes
  int64_t items_ = 0;
  int32_t start_ = 0;  // where the first item starts
  int32_t at_ = 0;     // where the next item starts
  int32_t next_mark_ = 0;
  std::vector<Cursor> marks_;
};

inline bool ItemRecord::Reference(int pos, int length, std::string*) {
  if (at_ >= next_mark_) Mark();
  if (items_ == item_room_ || used_ + 2 > byte_room_) Grow();
  bytes_[used_] = static_cast<uint8_t>(pos);
  bytes_[used_ + 1] = static_cast<uint8_t>(((pos >> 4) & 0xF0) | (length - 3));
  used_ += 2;
  ++items_;
  at_ += length;
  return true;
}

}  // namespace codec
