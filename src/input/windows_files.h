// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#pragma once

// What the Windows backends of the file layer share: the system's errors as
// errno values (the portable interfaces report errno and its text), file
// times as ns since 1970, and the identity and kind of an open handle.
// Only the *_windows.cpp files use this module.

#include <windows.h>

#include <cstdint>
#include <string>

#include "input/file_identity.h"

namespace quilve {

// The errno value closest to a Win32 error code (EIO when none is close).
int errnoOfSystemError(DWORD code);

// ns since 1970 of a FILETIME-style count of 100 ns since 1601.
std::int64_t unixNanoseconds(std::int64_t ticksSince1601);

// Whether the path names a device rather than a file on a volume: "NUL",
// "COM1", "\\.\pipe\x", "\\?\GLOBALROOT\...". Such a path is refused before
// it is opened, since opening some devices (a pipe's client end, a serial
// port) does something.
bool isDevicePath(const std::string& path);

// Opens a file or folder for reading its attributes only, sharing it fully;
// with `followLinks` false, a symbolic link or junction is opened itself.
// INVALID_HANDLE_VALUE on failure (GetLastError tells why).
HANDLE openForAttributes(const std::string& path, bool followLinks);

// The identity and kind of an open handle. With `asLink`, a name-surrogate
// reparse point (symbolic link, junction) is reported as Symlink.
bool identityOfHandle(HANDLE handle, FileIdentity* identity, FileKind* kind, bool asLink = false);

}  // namespace quilve
