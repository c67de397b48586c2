#include "app/focus_ring.h"

namespace app {

int FocusRing::StopOf(const std::vector<Stop>& stops, HWND hwnd) const {
  if (!hwnd) return -1;
  for (size_t i = 0; i < stops.size(); ++i) {
    const Stop& s = stops[i];
    if (hwnd == s.focus || hwnd == s.control || IsChild(s.control, hwnd)) return static_cast<int>(i);
  }
  return -1;
}

bool FocusRing::TakesFocus(const Stop& stop) {
  return IsWindowEnabled(stop.control) && IsWindowVisible(stop.control);
}

void FocusRing::Move(bool backward) {
  const std::vector<Stop> stops = stops_();
  const int n = static_cast<int>(stops.size());
  int at = StopOf(stops, GetFocus());
  if (at < 0) at = backward ? n : -1;
  for (int step = 1; step <= n; ++step) {
    const Stop& next = stops[static_cast<size_t>(((at + (backward ? -step : step)) % n + n) % n)];
    if (TakesFocus(next)) {
      SetFocus(next.focus);
      return;
    }
  }
}

bool FocusRing::TabKey(UINT msg, WPARAM wp) {
  if (msg == WM_CHAR && wp == L'\t') return true;
  if (msg != WM_KEYDOWN || wp != VK_TAB) return false;
  Move(GetKeyState(VK_SHIFT) < 0);
  return true;
}

void FocusRing::Remember(HWND focus) {
  if (focus && IsChild(window_, focus)) remembered_ = focus;
}

void FocusRing::Restore() {
  const std::vector<Stop> stops = stops_();
  // The remembered window may be gone (a closed editor): its stop takes it.
  int at = remembered_ && IsWindow(remembered_) ? StopOf(stops, remembered_) : -1;
  if (at >= 0 && TakesFocus(stops[static_cast<size_t>(at)])) {
    const Stop& stop = stops[static_cast<size_t>(at)];
    SetFocus(IsWindowVisible(remembered_) && IsWindowEnabled(remembered_) ? remembered_ : stop.focus);
    return;
  }
  Move(false);
}

}  // namespace app
