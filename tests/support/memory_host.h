#pragma once
// A scan host that keeps everything the worker shows, for tests.
#include <string>
#include <vector>

#include "engine/scan_host.h"

namespace quilve::test {

class MemoryHost : public ScanHost {
 public:
  void warning(const std::string& text) override { warnings.push_back(text); }
  void trace(const std::string& text) override { traces.push_back(text); }
  void beginFile(const std::string& path) override {
    begun.push_back(path);
    controlsEnabled = false;
  }
  void progress(int percent) override { lastPercent = percent; }
  void listsChanged() override { ++listChanges; }
  void counters(const ScanSession& s) override { shown = s; }
  void endOfScan() override {
    ++endNotices;
    controlsEnabled = true;
  }
  void comment(const std::string& text) override { comments.push_back(text); }

  std::vector<std::string> warnings, traces, begun, comments;
  int lastPercent = -1;
  int listChanges = 0;
  int endNotices = 0;
  bool controlsEnabled = true;
  ScanSession shown;
};

}  // namespace quilve::test
