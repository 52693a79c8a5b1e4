#pragma once
// Where library code sends what the user should see: warnings (shown in a
// box titled "Warning" by the desktop program, printed by the batch tool) and
// trace lines (the trace console).
#include <string>

namespace quilve {

class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void warning(const std::string& text) = 0;
  virtual void trace(const std::string& text) = 0;
};

}  // namespace quilve
