#pragma once
// QrPropertyList's model: groups (nodes) of name/value items, the focus pair
// of the in-place editor and the highlight marks. No window code: a window
// class displays it (row layout and hit testing in layout.h, the editor's
// behaviour in editing.h) and the command line reads values from it.
//
// Indices are zero-based. Operations given an index that names no group or
// item do nothing and report nothing.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace proplist {

// Item kinds. Any value other than these behaves as kText.
inline constexpr int32_t kKindText = 0;
inline constexpr int32_t kKindSavePath = 1;  // edited with a browse button
// A value out of a fixed list (PropItem::Choices): never typed, stepped to
// the next one (Editor::StepChoice); no text box opens on it.
inline constexpr int32_t kKindChoice = 2;

struct PropItem {
  std::string Name;  // lookup key; need not be unique (lookups take the first)
  std::string Value;
  bool Highlighted = false;
  int16_t MaxLen = 0;  // editor limit in UTF-16 characters; 0 is unlimited
  int32_t Kind = kKindText;
  std::vector<std::string> Choices;  // the values of a kKindChoice item, in order
};

struct PropNode {
  std::string Caption;
  std::vector<PropItem> Items;
  int32_t ItemCount() const { return static_cast<int32_t>(Items.size()); }
};

class PropertyList {
 public:
  // Fired wherever the list is repainted: DrawList, AddNode on success,
  // AddItem on an existing group, SetPropValue on a match, and every editor
  // opening and commit. Removals do not fire it; the host calls DrawList.
  std::function<void()> OnRepaint;

  void DrawList() const;

  // dwNodeIndex -1 appends; 0..NodeCount()-1 inserts in front of that group;
  // anything else does nothing.
  void AddNode(const std::string& strText, int32_t dwNodeIndex = -1);
  void RemoveNode(int32_t dwNodeIndex);
  void ClearNodes();

  // On an existing group: dwIndex -1 appends, 0..ItemCount-1 inserts in
  // front of that item, anything else adds nothing; the list is repainted in
  // all three cases. On a missing group nothing happens.
  void AddItem(int32_t dwNodeIndex, const std::string& strText, const std::string& strValue,
               int16_t wMaxLen, int32_t eType = kKindText, int32_t dwIndex = -1);
  void RemoveItem(int32_t dwNodeIndex, int32_t dwIndex);
  void ClearItems(int32_t dwNodeIndex);

  // The stored value of the first item named strName exactly (byte for
  // byte), or "" when none is. Text typed into an open editor is not stored
  // until the edit is committed.
  std::string GetPropValue(std::string_view strName) const;
  // Stores into the first item named strName and repaints; nothing when no
  // item has the name. An open editor keeps its own text.
  void SetPropValue(std::string_view strName, const std::string& strValue);

  // Makes the first item named strName a kKindChoice item over values (its
  // value should be one of them); nothing when no item has the name.
  void SetChoices(std::string_view strName, std::vector<std::string> values);
  // Steps the choice item (g, i) to the value after its current one, from
  // the last back to the first (to the first when the value is none of
  // them), and repaints; false, changing nothing, on any other item.
  bool StepChoice(int32_t g, int32_t i);

  int32_t NodeCount() const { return static_cast<int32_t>(nodes_.size()); }
  const std::vector<PropNode>& Nodes() const { return nodes_; }
  // The item (g, i), or nullptr when the pair names none.
  const PropItem* Item(int32_t g, int32_t i) const;
  // The first item named strName: true with its indices, or false.
  bool FindItem(std::string_view strName, int32_t* g, int32_t* i) const;

  // The item being edited; both -1 when no edit is open.
  int32_t FocusNode() const { return focus_node_; }
  int32_t FocusItem() const { return focus_item_; }
  bool EditOpen() const { return focus_node_ != -1 && focus_item_ != -1; }

 private:
  friend class Editor;
  PropItem* MutableItem(int32_t g, int32_t i);
  void ClearHighlights();

  std::vector<PropNode> nodes_;
  int32_t focus_node_ = -1;
  int32_t focus_item_ = -1;
};

}  // namespace proplist
