#pragma once
// The keyboard focus among a window's controls, as a dialog keeps it: the
// tab stops in order, Tab and Shift+Tab moving between those that are
// enabled and shown, and the control that had the focus when the window was
// left, given back when the window is active again.

#include <windows.h>

#include <functional>
#include <vector>

namespace app {

class FocusRing {
 public:
  // One tab stop: the control, and the window inside it that takes the
  // focus (the control itself, or a part of it such as an open editor).
  struct Stop {
    HWND control;
    HWND focus;
  };

  // stops() gives the stops in tab order, as they are at the moment.
  FocusRing(HWND window, std::function<std::vector<Stop>()> stops)
      : window_(window), stops_(std::move(stops)) {}

  // Moves the focus from the stop that holds it to the next (previous) one
  // that takes it; from outside every stop, to the first (last).
  void Move(bool backward);
  // Tab for a control of the window: moves on, Shift+Tab back, and the key's
  // character is dropped. True when msg was that.
  bool TabKey(UINT msg, WPARAM wp);

  // Remembers focus (the window holding the focus when the window is left,
  // or a control to give it to later); ignored when not in the window.
  void Remember(HWND focus);
  // The window is active again, or was given the focus itself: the focus
  // goes back to the remembered stop, or to the first one that takes it.
  void Restore();

 private:
  // The stop holding hwnd, or -1.
  int StopOf(const std::vector<Stop>& stops, HWND hwnd) const;
  static bool TakesFocus(const Stop& stop);

  HWND window_;
  std::function<std::vector<Stop>()> stops_;
  HWND remembered_ = nullptr;
};

}  // namespace app
