#pragma once
// The progress of qrpack build on one terminal line: the status text and the
// bar's percentage, redrawn in place ("\r") whenever either changes.

#include <cstdint>
#include <ostream>
#include <string>

#include "package/build_command.h"

namespace cli {

class ConsoleProgress : public package::BuildProgress {
 public:
  // shown false draws nothing (no terminal, or --quiet).
  ConsoleProgress(std::ostream& os, bool shown) : os_(os), shown_(shown) {}
  ~ConsoleProgress() override { EndLine(); }
  // Ends the progress line before other output.
  void EndLine();
  void SetStatus(const std::string& text) override;
  void SetMaximum(float max) override { bar_.Max = max; }
  void Advance(int32_t n) override;

 private:
  // Draws the line; a shorter line than the one on screen is padded with
  // blanks, so nothing of the earlier text stays behind it.
  void Draw();
  std::ostream& os_;
  bool shown_;
  bool drawn_ = false;
  size_t drawn_bytes_ = 0;  // the line on screen (bytes never fewer than its columns)
  std::string status_;
  package::ProgressBar bar_;
  int percent_ = 0;
};

}  // namespace cli
