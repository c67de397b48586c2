#pragma once
// The keyboard's way through the property list: its items in drawing order,
// group captions skipped. The host keeps one current item (the one its focus
// mark shows and its keys act on); these functions move it.

#include <cstdint>
#include <vector>

#include "proplist/property_list.h"

namespace proplist {

struct ItemRef {
  int32_t node = -1;
  int32_t item = -1;
  bool operator==(const ItemRef&) const = default;
};

// Every item in drawing order; an item's accessible child id is its place
// here plus one.
std::vector<ItemRef> ItemsInOrder(const PropertyList& list);

enum class Step { kPrevious, kNext, kFirst, kLast };

// Where `step` leads from `from`: the item before or after it in drawing
// order (staying put at either end), or the first or last item. From a
// reference that names no item (none yet, or one removed) every step leads
// to the first item. {-1, -1} when the list has no item at all.
ItemRef StepItem(const PropertyList& list, ItemRef from, Step step);

}  // namespace proplist
