// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include <windows.h>

#include <io.h>

#include <cerrno>

#include "input/wide_path.h"
#include "input/windows_files.h"
#include "records/outcome_storage.h"

namespace quilve {

namespace {

bool failed() {
  errno = errnoOfSystemError(GetLastError());
  return false;
}

}  // namespace

std::string outcomeHostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 256] = {};
  DWORD size = static_cast<DWORD>(sizeof name / sizeof name[0]);
  std::string host;
  if (!GetComputerNameExW(ComputerNameDnsHostname, name, &size) || !wideToUtf8(name, &host) || host.empty())
    return "host";
  return host;
}

long outcomeProcessId() { return static_cast<long>(GetCurrentProcessId()); }

std::FILE* createOutcomeFile(const std::string& path) {
  const std::wstring name = systemPath(path);
  if (name.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  return _wfopen(name.c_str(), L"wb");
}

bool flushOutcomeFile(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return FlushFileBuffers(handle) || failed();
}

bool replaceOutcomeFile(const std::string& from, const std::string& to) {
  const std::wstring source = systemPath(from), target = systemPath(to);
  if (source.empty() || target.empty()) {
    errno = ENOENT;
    return false;
  }
  // Write-through: the call returns once the rename is on the disk.
  return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
         failed();
}

bool removeOutcomeFile(const std::string& path) {
  const std::wstring name = systemPath(path);
  if (name.empty()) {
    errno = ENOENT;
    return false;
  }
  return DeleteFileW(name.c_str()) || failed();
}

}  // namespace quilve
