#include "proplist/navigation.h"

#include <algorithm>

namespace proplist {

std::vector<ItemRef> ItemsInOrder(const PropertyList& list) {
  std::vector<ItemRef> items;
  for (int32_t g = 0; g < list.NodeCount(); ++g)
    for (int32_t i = 0; i < list.Nodes()[static_cast<size_t>(g)].ItemCount(); ++i)
      items.push_back({g, i});
  return items;
}

ItemRef StepItem(const PropertyList& list, ItemRef from, Step step) {
  const std::vector<ItemRef> items = ItemsInOrder(list);
  if (items.empty()) return {};
  auto at = std::find(items.begin(), items.end(), from);
  if (at == items.end()) return items.front();
  switch (step) {
    case Step::kPrevious: return at == items.begin() ? *at : *(at - 1);
    case Step::kNext: return at + 1 == items.end() ? *at : *(at + 1);
    case Step::kFirst: return items.front();
    case Step::kLast: return items.back();
  }
  return *at;
}

}  // namespace proplist
