#include "proplist/property_list.h"

#include <algorithm>

namespace proplist {

void PropertyList::DrawList() const {
  if (OnRepaint) OnRepaint();
}

void PropertyList::AddNode(const std::string& strText, int32_t dwNodeIndex) {
  if (dwNodeIndex < -1 || dwNodeIndex >= NodeCount()) return;
  PropNode node;
  node.Caption = strText;
  auto at = dwNodeIndex == -1 ? nodes_.end() : nodes_.begin() + dwNodeIndex;
  nodes_.insert(at, std::move(node));
  DrawList();
}

void PropertyList::RemoveNode(int32_t dwNodeIndex) {
  if (dwNodeIndex < 0 || dwNodeIndex >= NodeCount()) return;
  nodes_.erase(nodes_.begin() + dwNodeIndex);
}

void PropertyList::ClearNodes() { nodes_.clear(); }

void PropertyList::AddItem(int32_t dwNodeIndex, const std::string& strText,
                           const std::string& strValue, int16_t wMaxLen, int32_t eType,
                           int32_t dwIndex) {
  if (dwNodeIndex < 0 || dwNodeIndex >= NodeCount()) return;
  std::vector<PropItem>& items = nodes_[static_cast<size_t>(dwNodeIndex)].Items;
  if (dwIndex >= -1 && dwIndex < static_cast<int32_t>(items.size())) {
    PropItem item;
    item.Name = strText;
    item.Value = strValue;
    item.MaxLen = wMaxLen;
    item.Kind = eType;
    items.insert(dwIndex == -1 ? items.end() : items.begin() + dwIndex, std::move(item));
  }
  DrawList();
}

void PropertyList::RemoveItem(int32_t dwNodeIndex, int32_t dwIndex) {
  if (!Item(dwNodeIndex, dwIndex)) return;
  std::vector<PropItem>& items = nodes_[static_cast<size_t>(dwNodeIndex)].Items;
  items.erase(items.begin() + dwIndex);
}

void PropertyList::ClearItems(int32_t dwNodeIndex) {
  if (dwNodeIndex < 0 || dwNodeIndex >= NodeCount()) return;
  nodes_[static_cast<size_t>(dwNodeIndex)].Items.clear();
}

const PropItem* PropertyList::Item(int32_t g, int32_t i) const {
  if (g < 0 || g >= NodeCount()) return nullptr;
  const std::vector<PropItem>& items = nodes_[static_cast<size_t>(g)].Items;
  if (i < 0 || i >= static_cast<int32_t>(items.size())) return nullptr;
  return &items[static_cast<size_t>(i)];
}

PropItem* PropertyList::MutableItem(int32_t g, int32_t i) {
  return const_cast<PropItem*>(Item(g, i));
}

bool PropertyList::FindItem(std::string_view strName, int32_t* g, int32_t* i) const {
  for (int32_t n = 0; n < NodeCount(); ++n) {
    const std::vector<PropItem>& items = nodes_[static_cast<size_t>(n)].Items;
    for (int32_t k = 0; k < static_cast<int32_t>(items.size()); ++k) {
      if (items[static_cast<size_t>(k)].Name == strName) {
        *g = n;
        *i = k;
        return true;
      }
    }
  }
  return false;
}

std::string PropertyList::GetPropValue(std::string_view strName) const {
  int32_t g, i;
  return FindItem(strName, &g, &i) ? Item(g, i)->Value : std::string();
}

void PropertyList::SetPropValue(std::string_view strName, const std::string& strValue) {
  int32_t g, i;
  if (!FindItem(strName, &g, &i)) return;
  MutableItem(g, i)->Value = strValue;
  DrawList();
}

void PropertyList::SetChoices(std::string_view strName, std::vector<std::string> values) {
  int32_t g, i;
  if (!FindItem(strName, &g, &i)) return;
  PropItem* item = MutableItem(g, i);
  item->Kind = kKindChoice;
  item->Choices = std::move(values);
}

bool PropertyList::StepChoice(int32_t g, int32_t i) {
  PropItem* item = MutableItem(g, i);
  if (!item || item->Kind != kKindChoice || item->Choices.empty()) return false;
  const std::vector<std::string>& values = item->Choices;
  auto at = std::find(values.begin(), values.end(), item->Value);
  item->Value = (at == values.end() || at + 1 == values.end()) ? values.front() : *(at + 1);
  DrawList();
  return true;
}

void PropertyList::ClearHighlights() {
  for (PropNode& node : nodes_)
    for (PropItem& item : node.Items) item.Highlighted = false;
}

}  // namespace proplist
