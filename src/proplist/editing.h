#pragma once
// The in-place editor of the property list as a state machine over the
// model: which item is edited, where the text box (Text1) and the browse
// picture (Image1) are, and what text to put into the text box. The window
// class owns the real text box; every operation takes the text it holds now
// (what the user typed) and the control's client width W in pixels, and
// returns what to do with the text box's text.

#include <cstdint>
#include <string>
#include <string_view>

#include "proplist/layout.h"
#include "proplist/property_list.h"

namespace proplist {

// The browse button's save dialog: one filter pair, title, default extension.
inline constexpr char kSaveFilterName[] = "Quorin安装包文件(*.exe)";
inline constexpr char kSaveFilterPattern[] = "*.exe";
inline constexpr char kSaveDialogTitle[] = "请选择安装包保存路径";
inline constexpr char kSaveDefaultExt[] = ".exe";

// Where the text box and the picture are and whether they show.
struct EditorState {
  bool visible = false;
  int32_t left = 104;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = kEditorHeight;
  int16_t max_len = 0;  // 0: unlimited
  bool picture_visible = false;
  int32_t picture_left = 0;
  int32_t picture_top = 0;
};

// What the host does to the text box after an operation.
struct TextChange {
  bool set_text = false;  // put `text` into the box
  std::string text;
  bool select_all_and_focus = false;  // select the whole text, take the keyboard focus
};

// Geometry of the editor opened on an item of `kind` whose row top is
// rowTop: width W - 123 with the picture at (W - 19, rowTop) for a save-path
// item, else width W - 104; left 104; height the font's cell height
// textHeight (at least 13) and top rowTop + TextTop(textHeight), which is
// rowTop + 4 for the designed font. These are the designed sizes; with other
// metrics the editor starts at the value column, ends at the picture or the
// right edge, and is at least the metrics' editor height.
EditorState EditorGeometry(int32_t kind, int32_t rowTop, int32_t clientWidth, int16_t maxLen,
                           int32_t textHeight = kEditorHeight, const Metrics& m = Metrics());

class Editor {
 public:
  explicit Editor(PropertyList* list) : list_(list) {}

  const EditorState& state() const { return state_; }
  // The cell height of the editor's font in pixels; the editor opened next
  // takes its height and top from it.
  void SetTextHeight(int32_t textHeight) { text_height_ = textHeight; }
  // The list's sizes; rows, presses and the editor follow them from now on.
  void SetMetrics(const Metrics& m) { metrics_ = m; }
  const Metrics& metrics() const { return metrics_; }
  // Places the open editor again for the current metrics, text height and
  // client width (after a change of density); nothing when no edit is open.
  void Relayout(int32_t clientWidth);

  // Opens the editor on (g, i) whose row top is rowTop. Moving from another
  // item stores editorText into that one first; reopening the item being
  // edited drops what was typed and reloads the stored value. On a choice
  // item no editor opens: an open edit is committed (as by Enter) and the
  // item alone is highlighted.
  TextChange Open(int32_t g, int32_t i, int32_t rowTop, int32_t clientWidth,
                  std::string_view editorText);

  // A press at height y: opens the editor on the item hit; on a caption row
  // or below the last row it does the closing commit when an edit is open.
  TextChange MouseDown(double y, int32_t clientWidth, std::string_view editorText);

  // Opens the editor on the first item named `name`, as a press on its row
  // would; nothing when no item has the name.
  TextChange SetItemFocus(std::string_view name, int32_t clientWidth, std::string_view editorText);

  // Enter, Space or a double click on the choice item (g, i): selects it as
  // Open does, then steps it to its next value. False, changing nothing, on
  // any other item.
  bool StepChoice(int32_t g, int32_t i, std::string_view editorText);

  // Escape: hides the editor and ends the edit without storing what was
  // typed, so the item keeps its stored value; the item stays highlighted,
  // as after Enter. Nothing when no edit is open.
  void Cancel();

  // Enter: hides the editor, stores the text, repaints and ends the edit;
  // the item stays highlighted.
  void CommitOnEnter(std::string_view editorText);

  // Closing commit (the focus leaves the control, or a press on a caption row
  // or below the rows): hides the editor, stores the text, clears every
  // highlight, repaints and ends the edit. Nothing when no edit is open.
  void ClosingCommit(std::string_view editorText);

  // The save dialog's answer: a non-empty path is stored in the item being
  // edited and shown in the still open editor; an empty one changes nothing.
  TextChange BrowseResult(const std::string& path);

 private:
  // Stores text into the item being edited, when the focus pair still names one.
  void Store(std::string_view text);
  void Hide();
  // Open on a choice item.
  void SelectChoice(int32_t g, int32_t i, std::string_view editorText);

  PropertyList* list_;
  EditorState state_;
  int32_t text_height_ = kEditorHeight;
  Metrics metrics_;
};

}  // namespace proplist
