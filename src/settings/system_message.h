#pragma once
// The system's own wording of a Windows error code, in UTF-8, for messages
// that name the file it happened to. Only the *_windows.cpp files use it.
#include <string>

namespace quilve {

// The text FormatMessageW gives for `code` (a Win32 error), without its
// final line end; "error <code>" when the system has none.
std::string systemMessage(unsigned long code);

// `path` + ": " + the message of `code`.
std::string systemFailure(const std::string& path, unsigned long code);

}  // namespace quilve
