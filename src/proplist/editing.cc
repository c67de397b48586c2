#include "proplist/editing.h"

#include "proplist/layout.h"

namespace proplist {

// The editor runs from the value column to the picture (W - 123 as
// designed) or to the right edge (W - 104).
EditorState EditorGeometry(int32_t kind, int32_t rowTop, int32_t clientWidth, int16_t maxLen,
                           int32_t textHeight, const Metrics& m) {
  EditorState s;
  s.visible = true;
  s.left = m.value_left;
  s.height = textHeight > m.editor_height ? textHeight : m.editor_height;
  s.top = rowTop + TextTop(s.height, m);
  s.max_len = maxLen;
  if (kind == kKindSavePath) {
    s.width = clientWidth - m.value_left - m.picture_size;
    s.picture_visible = true;
    s.picture_left = clientWidth - m.picture_size;
    s.picture_top = rowTop;
  } else {
    s.width = clientWidth - m.value_left;
  }
  return s;
}

void Editor::Store(std::string_view text) {
  if (PropItem* item = list_->MutableItem(list_->focus_node_, list_->focus_item_))
    item->Value = std::string(text);
}

void Editor::Hide() {
  state_.visible = false;
  state_.picture_visible = false;
}

TextChange Editor::Open(int32_t g, int32_t i, int32_t rowTop, int32_t clientWidth,
                        std::string_view editorText) {
  const PropItem* target = list_->Item(g, i);
  if (!target) return {};
  if (target->Kind == kKindChoice) {
    SelectChoice(g, i, editorText);
    return {};
  }
  if (g != list_->focus_node_ || i != list_->focus_item_) {
    if (list_->EditOpen()) {
      Store(editorText);
      state_.picture_visible = false;
    }
    list_->focus_node_ = g;
    list_->focus_item_ = i;
    list_->ClearHighlights();
    list_->MutableItem(g, i)->Highlighted = true;
  }
  state_ = EditorGeometry(target->Kind, rowTop, clientWidth, target->MaxLen, text_height_,
                          metrics_);
  TextChange change{true, target->Value, true};
  list_->DrawList();
  return change;
}

void Editor::SelectChoice(int32_t g, int32_t i, std::string_view editorText) {
  if (list_->EditOpen()) {
    Hide();
    Store(editorText);
    list_->focus_node_ = -1;
    list_->focus_item_ = -1;
  }
  list_->ClearHighlights();
  list_->MutableItem(g, i)->Highlighted = true;
  list_->DrawList();
}

bool Editor::StepChoice(int32_t g, int32_t i, std::string_view editorText) {
  const PropItem* target = list_->Item(g, i);
  if (!target || target->Kind != kKindChoice) return false;
  SelectChoice(g, i, editorText);
  return list_->StepChoice(g, i);
}

TextChange Editor::MouseDown(double y, int32_t clientWidth, std::string_view editorText) {
  Hit hit = HitTest(*list_, y, metrics_);
  switch (hit.kind) {
    case Hit::kItem:
      return Open(hit.node, hit.item, hit.row_top, clientWidth, editorText);
    case Hit::kCaption:
    case Hit::kBelow:
      ClosingCommit(editorText);
      return {};
    case Hit::kNone:
      return {};
  }
  return {};
}

TextChange Editor::SetItemFocus(std::string_view name, int32_t clientWidth,
                                std::string_view editorText) {
  int32_t g, i;
  if (!list_->FindItem(name, &g, &i)) return {};
  return Open(g, i, RowTop(*list_, g, i, metrics_), clientWidth, editorText);
}

void Editor::Relayout(int32_t clientWidth) {
  const PropItem* item = list_->Item(list_->focus_node_, list_->focus_item_);
  if (!item || !state_.visible) return;
  state_ = EditorGeometry(item->Kind, RowTop(*list_, list_->focus_node_, list_->focus_item_, metrics_),
                          clientWidth, item->MaxLen, text_height_, metrics_);
}

void Editor::Cancel() {
  if (!list_->EditOpen()) return;
  Hide();
  list_->DrawList();
  list_->focus_node_ = -1;
  list_->focus_item_ = -1;
}

void Editor::CommitOnEnter(std::string_view editorText) {
  if (!list_->EditOpen()) return;
  Hide();
  Store(editorText);
  list_->DrawList();
  list_->focus_node_ = -1;
  list_->focus_item_ = -1;
}

void Editor::ClosingCommit(std::string_view editorText) {
  if (!list_->EditOpen()) return;
  Hide();
  Store(editorText);
  list_->focus_node_ = -1;
  list_->focus_item_ = -1;
  list_->ClearHighlights();
  list_->DrawList();
}

TextChange Editor::BrowseResult(const std::string& path) {
  if (path.empty() || !list_->EditOpen()) return {};
  Store(path);
  list_->DrawList();
  return {true, path, false};
}

}  // namespace proplist
