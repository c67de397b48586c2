#include "codec/item_record.h"

#include <algorithm>
#include <cstring>

#include "codec/stream_format.h"

namespace codec {
namespace {

// Bytes after the last item's, and flags after the last item's, that may be
// read (GroupWriter::Items copies sixteen bytes at a time, Flags reads
// eight flags).
constexpr int64_t kSpare = 16;

}  // namespace

void ItemRecord::Start(int32_t start, int64_t span) {
  // A reference covers at least kMinMatch indexes in two bytes, a literal
  // one in one byte: span indexes take at most span bytes and span items.
  const int64_t room = std::max<int64_t>(span, 64) + 2 * kMaxMatch;
  used_ = 0;
  items_ = 0;
  if (room > room_ || room < room_ / 2) Allocate(room);
  start_ = start;
  end_at_ = start;
  next_mark_ = (start / kMarkSpan + 1) * kMarkSpan;
  marks_.clear();
}

void ItemRecord::Allocate(int64_t room) {
  auto b = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(room + kSpare));
  auto f = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(room + kSpare));
  if (used_ > 0) std::memcpy(b.get(), bytes_.get(), static_cast<size_t>(used_));
  if (items_ > 0) std::memcpy(f.get(), flags_.get(), static_cast<size_t>(items_));
  bytes_ = std::move(b);
  flags_ = std::move(f);
  room_ = room;
  last_ = room - 2;
}

void ItemRecord::Mark() {
  marks_.push_back(End());
  next_mark_ = (end_at_ / kMarkSpan + 1) * kMarkSpan;
}

void ItemRecord::Grow() { Allocate(room_ * 2); }

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
  std::memmove(flags_.get(), flags_.get() + c.item, static_cast<size_t>(items_ - c.item));
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
