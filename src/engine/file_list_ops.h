#pragma once
// The four operations that pick recordings from the input file list for the
// scan worker. Each runs on the caller's thread while the worker is idle,
// returns true or false and, on false, leaves its message in the control's
// message buffer for the caller to show.
#include <string>

#include "engine/scan_control.h"

namespace quilve {

struct ScanSettings;

// Selects the first entry of the input list. "Failed reseting file list".
bool resetFileList(ScanLists& lists, ScanControl& control);

// Path of the selected entry into the current recording path, then opens
// and closes it (the open step). `comment` receives the preview comment.
// "Invalid selection", "Failed opening file %s", "Failed closing file %s".
// An entry whose full path is longer than 260 characters is not opened:
// false with that path as the current recording path, "Failed opening file
// <path>" in the message buffer and the reason in lastOpenFailure, so that
// a run reports it, fails it and goes on (previewNextFile alike).
bool previewSelectedFile(ScanLists& lists, ScanControl& control, const ScanSettings& settings,
                         std::string* comment);

// Whether an entry follows the selected one (the selection does not move).
bool selectNextFile(const ScanLists& lists, std::string* nextPath);

// Selects the entry after the selected one and previews it. "Invalid
// selection or reached the end of list" when there is none; the current
// recording path is then left as the caller set it.
bool previewNextFile(ScanLists& lists, ScanControl& control, const ScanSettings& settings,
                     std::string* comment);

// The message buffer as a warning shows it: after "Failed opening file %s"
// the reason the file did not open follows on a line of its own.
std::string messageWithReason(const ScanControl& control);

}  // namespace quilve
