#pragma once
// The items of a parse, recorded as the stream stores them but not yet
// gathered into groups: per item a flag (1: literal) and its byte, or the
// two bytes of a reference. An encoder writes into a record as into
// a GroupWriter (Literal, Reference, Reached); cursors walk it item by item
// with the index each item starts at.

#include <cstdint>
#include <cstring>
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

  // Adding an item costs about what a GroupWriter's does: the index it
  // starts at is not kept (Reached tells it now and then).
  bool Literal(uint8_t byte, std::string*) {
    if (used_ > last_) Grow();
    bytes_[used_++] = byte;
    flags_[items_++] = 1;
    return true;
  }
  bool Reference(int pos, int length, std::string*);
  // The items so far end at index. Called by the encoder after each read
  // and when it returns; Seek walks from the nearest such place.
  void Reached(int32_t index) {
    end_at_ = index;
    if (index >= next_mark_) Mark();
  }

  // The first item, and the place after the last one.
  Cursor First() const;
  Cursor End() const { return {items_, used_, end_at_}; }
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

  // The flags of count (<= 8) items from item on as bits, bit 0 for the
  // first.
  uint32_t Flags(int64_t item, int count) const {
    uint64_t v;
    std::memcpy(&v, flags_.get() + item, 8);  // the flags have 8 bytes to spare
    if (count < 8) v &= (uint64_t{1} << (8 * count)) - 1;
    return static_cast<uint32_t>((v * 0x0102040810204080ull) >> 56);
  }
  // bytes() has 16 bytes to spare after the last item's.
  const uint8_t* bytes() const { return bytes_.get(); }
  bool IsLiteral(int64_t item) const { return flags_[item] != 0; }

 private:
  // A cursor is kept where Reached was told of an index past the next
  // multiple of kMarkSpan (an encoder reads every kBlockSize indexes).
  static constexpr int32_t kMarkSpan = 4096;

  void Mark();
  void Grow();
  void Allocate(int64_t room);

  std::unique_ptr<uint8_t[]> bytes_;
  std::unique_ptr<uint8_t[]> flags_;
  int64_t room_ = 0;       // bytes and flags (every item has a byte)
  int64_t last_ = 0;       // room_ - 2: the last place a reference can start
  int64_t used_ = 0;       // bytes
  int64_t items_ = 0;
  int32_t start_ = 0;      // where the first item starts
  int32_t end_at_ = 0;     // where the items end, as last told
  int32_t next_mark_ = 0;
  std::vector<Cursor> marks_;
};

inline bool ItemRecord::Reference(int pos, int length, std::string*) {
  if (used_ > last_) Grow();
  bytes_[used_] = static_cast<uint8_t>(pos);
  bytes_[used_ + 1] = static_cast<uint8_t>(((pos >> 4) & 0xF0) | (length - 3));
  used_ += 2;
  flags_[items_++] = 0;
  return true;
}

}  // namespace codec
