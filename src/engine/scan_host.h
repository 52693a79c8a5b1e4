#pragma once
// What the scan worker shows, and to whom: the desktop program implements
// this on its UI thread, the batch tool on the console, tests in memory.
// Warnings and trace lines come through the Reporter base.
#include <string>

#include "engine/scan_state.h"
#include "settings/reporter.h"

namespace quilve {

class ScanHost : public Reporter {
 public:
  // A recording starts: title "  QUILVE - %s", Progress text "Scanning - %s",
  // progress 0, scan controls disabled, Progress window shown.
  virtual void beginFile(const std::string& path) = 0;
  // Percentage of the recording analysed.
  virtual void progress(int percent) = 0;
  // The passed-files or failed-files list changed.
  virtual void listsChanged() = 0;
  // The counters to show (after every recording and at the end of a run).
  virtual void counters(const ScanSession& session) = 0;
  // The run ended: scan controls enabled again, Progress window hidden.
  virtual void endOfScan() = 0;
  // The preview comment of the recording about to be scanned.
  virtual void comment(const std::string& /*text*/) {}
  // Called on every idle or paused pass (cursor read-outs); true when it did
  // something, so the worker polls again without sleeping.
  virtual bool idle() { return false; }
};

}  // namespace quilve
