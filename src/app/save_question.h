#pragma once
// The question before unsaved changes to a project are lost: "保存",
// "不保存" or "取消", behind a seam so that the tests can answer it.

#include <windows.h>

#include <string>

namespace app {

enum class SaveAnswer { kSave, kDiscard, kCancel };

class SaveQuestion {
 public:
  virtual ~SaveQuestion() = default;
  // A modal question titled "提示" with the three buttons; closing it
  // (Esc, the close box) answers kCancel.
  virtual SaveAnswer Ask(HWND owner, const std::wstring& text) = 0;
};

// The question in use: a task dialog unless a test installed another one
// (nullptr: back to the task dialog). The caller keeps ownership.
SaveQuestion& CurrentSaveQuestion();
void SetSaveQuestion(SaveQuestion* question);

}  // namespace app
