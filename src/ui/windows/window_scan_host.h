#pragma once
// The scan worker's notices shown in the windows. WindowScanHost does it on
// the user-interface thread; PostingScanHost is what the worker thread is
// given: it hands every notice to the user-interface thread and waits for
// none of them.
#include <functional>
#include <string>

#include "engine/scan_host.h"

namespace quilve::ui {

class Desktop;
class Toolkit;

class WindowScanHost final : public ScanHost {
 public:
  explicit WindowScanHost(Desktop& desktop) : desktop_(desktop) {}
  void warning(const std::string& text) override;
  void trace(const std::string& text) override;
  void beginFile(const std::string& path) override;
  void progress(int percent) override;
  void listsChanged() override;
  void counters(const ScanSession& session) override;
  void endOfScan() override;
  void comment(const std::string& text) override;

 private:
  Desktop& desktop_;
};

class PostingScanHost final : public ScanHost {
 public:
  // `onWorkerBeginFile` runs on the worker thread when a recording has been
  // opened for scanning, before the notice is posted (the displays take the
  // recording's axes there). `onIdle` runs on the worker's idle passes.
  PostingScanHost(Toolkit& toolkit, ScanHost& target,
                  std::function<void()> onWorkerBeginFile = {},
                  std::function<bool()> onIdle = {});
  void warning(const std::string& text) override;
  void trace(const std::string& text) override;
  void beginFile(const std::string& path) override;
  void progress(int percent) override;
  void listsChanged() override;
  void counters(const ScanSession& session) override;
  void endOfScan() override;
  void comment(const std::string& text) override;
  bool idle() override;

 private:
  Toolkit& tk_;
  ScanHost& target_;
  std::function<void()> onWorkerBeginFile_;
  std::function<bool()> onIdle_;
};

}  // namespace quilve::ui
