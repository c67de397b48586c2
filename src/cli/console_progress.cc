#include "cli/console_progress.h"

namespace cli {

void ConsoleProgress::EndLine() {
  if (drawn_) os_ << "\n" << std::flush;
  drawn_ = false;
  drawn_bytes_ = 0;
}

void ConsoleProgress::SetStatus(const std::string& text) {
  status_ = text;
  Draw();
}

void ConsoleProgress::Advance(int32_t n) {
  bar_.FileProgress(n);
  int pct = bar_.Max > 0 ? static_cast<int>(bar_.Value * 100 / bar_.Max) : 0;
  if (pct != percent_) {
    percent_ = pct;
    Draw();
  }
}

void ConsoleProgress::Draw() {
  if (!shown_ || status_.empty()) return;
  std::string line = status_ + " " + std::to_string(percent_) + "%";
  size_t bytes = line.size();
  if (bytes < drawn_bytes_) line.append(drawn_bytes_ - bytes, ' ');
  os_ << "\r" << line << std::flush;
  drawn_bytes_ = bytes;
  drawn_ = true;
}

}  // namespace cli
