#pragma once
// The trace console: every trace line goes whole and in order to standard
// error, from any thread. Warnings sent here (where no window can show them)
// are written the same way.
#include <cstdio>
#include <mutex>
#include <string>

#include "settings/reporter.h"

namespace quilve::ui {

class TraceConsole final : public Reporter {
 public:
  explicit TraceConsole(std::FILE* out = stderr) : out_(out) {}
  void trace(const std::string& text) override;
  void warning(const std::string& text) override;

 private:
  void write(const std::string& text);
  std::mutex mutex_;
  std::FILE* out_;
};

}  // namespace quilve::ui
