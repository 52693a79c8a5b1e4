// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#pragma once

// Paths are UTF-8 everywhere inside the program. The Windows system calls
// take UTF-16: every Windows backend converts at the call through these, so
// that names in any script and paths longer than 260 characters work.
// Only the *_windows.cpp files use the conversions; sameNameOnFileSystem is
// there on every system.

#include <string>

namespace quilve {

// UTF-8 to UTF-16 and back. False when the text is not valid UTF-8 (or the
// UTF-16 holds an unpaired surrogate); *out is then left empty.
bool utf8ToWide(const std::string& text, std::wstring* out);
bool wideToUtf8(const std::wstring& text, std::string* out);

// A path for the file system calls: both separators become '\', a relative
// path is made absolute against the current folder, "." and ".." are
// resolved, and the result carries the "\\?\" (or "\\?\UNC\") prefix so
// that it may be longer than 260 characters. Empty when the path cannot be
// converted.
std::wstring systemPath(const std::string& path);

// The same path without the long-path prefix, for the few calls that do
// not take it (the shell's file operation, file dialogs). Absolute, with
// '\' separators.
std::wstring plainSystemPath(const std::string& path);

// A path given back by the system, in UTF-8 with the long-path prefix
// removed.
std::string programPath(const std::wstring& path);

// Whether two names are the same name to the file system: NTFS compares
// names without regard to case (by the volume's upcase table, which the
// system's ordinal case-blind comparison follows); POSIX systems compare
// the bytes.
bool sameNameOnFileSystem(const std::string& a, const std::string& b);

// The characters that end a folder's part of a path: "/" on POSIX
// systems, where '\\' may be part of a name, and both slashes on Windows.
// For find_last_of and find_first_of.
const char* pathSeparators();

}  // namespace quilve
