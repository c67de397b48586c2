#include "codec/item_record.h"

#include <algorithm>
#include <cstring>

#include "codec/stream_format.h"

namespace codec {

void ItemRecord::Start(int32_t start, int64_t span) {
  // A reference covers at least kMinMatch indexes in two bytes, a literal
  // one in one byte: span indexes take at most span bytes and span items.
  const int64_t room = std::max<int64_t>(span, 64) + 2 * kMaxMatch;
  if (room > byte_room_ || room > item_room_ || room < byte_room_ / 2) {
    byte_room_ = room;
    item_room_ = room;
    bytes_ = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(byte_room_));
    flags_ = std::make_unique<uint64_t[]>(static_cast<size_t>(item_room_ / 64 + 2));
  } else {
    std::fill_n(flags_.get(), static_cast<size_t>(items_ / 64 + 1), 0);
  }
  used_ = 0;
  items_ = 0;
  start_ = start;
  at_ = start;
  next_mark_ = start;
  marks_.clear();
}

void ItemRecord::Mark() {
  marks_.push_back(End());
  next_mark_ = (at_ / kMarkSpan + 1) * kMarkSpan;
}

void ItemRecord::Grow() {
  const int64_t bytes = byte_room_ * 2;
  const int64_t items = item_room_ * 2;
  auto b = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(bytes));
  std::memcpy(b.get(), bytes_.get(), static_cast<size_t>(used_));
  auto f = std::make_unique<uint64_t[]>(static_cast<size_t>(items / 64 + 2));
  std::memcpy(f.get(), flags_.get(), static_cast<size_t>((item_room_ / 64 + 2) * 8));
  bytes_ = std::move(b);
  flags_ = std::move(f);
  byte_room_ = bytes;
  item_room_ = items;
}

ItemRecord::Cursor ItemRecord::First() const { return {0, 0, start_}; }

ItemRecord::Cursor ItemRecord::Seek(int32_t index) const {
  if (index <= start_) return First();
  // The last mark at or before index, then item by item.
  auto it = std::upper_bound(marks_.begin(), marks_.end(), index,
                             [](int32_t i, const Cursor& c) { return i < c.at; });
  Cursor c = it == marks_.begin() ? First() : *(it - 1);
  while (c.item < items_ && c.at < index) Step(&c);
  return c;
}

void ItemRecord::Step(Cursor* c) const {
  if (IsLiteral(c->item)) {
    c->byte += 1;
    c->at += 1;
  } else {
    c->at += (bytes_[c->byte + 1] & 0x0F) + kMinMatch;
    c->byte += 2;
  }
  ++c->item;
}

bool ItemRecord::Same(const Cursor& a, const ItemRecord& other, const Cursor& b) const {
  const bool literal = IsLiteral(a.item);
  if (literal != other.IsLiteral(b.item)) return false;
  if (bytes_[a.byte] != other.bytes_[b.byte]) return false;
  return literal || bytes_[a.byte + 1] == other.bytes_[b.byte + 1];
}

void ItemRecord::DropBefore(const Cursor& c) {
  if (c.item == 0) return;
  std::memmove(bytes_.get(), bytes_.get() + c.byte, static_cast<size_t>(used_ - c.byte));
  // Shift the flag bits down by c.item.
  const int64_t words = items_ / 64 + 1;
  const int64_t skip = c.item >> 6;
  const int shift = static_cast<int>(c.item & 63);
  for (int64_t w = 0; w + skip < words; ++w) {
    uint64_t v = flags_[w + skip] >> shift;
    if (shift != 0 && w + skip + 1 < words) v |= flags_[w + skip + 1] << (64 - shift);
    flags_[w] = v;
  }
  std::fill(flags_.get() + (words - skip), flags_.get() + words, 0);
  used_ -= c.byte;
  items_ -= c.item;
  start_ = c.at;
  std::vector<Cursor> kept;
  for (const Cursor& m : marks_) {
    if (m.item >= c.item) kept.push_back({m.item - c.item, m.byte - c.byte, m.at});
  }
  marks_ = std::move(kept);
}

}  // namespace codec
