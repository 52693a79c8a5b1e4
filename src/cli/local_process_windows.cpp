#include <windows.h>

#include "cli/local_process.h"
#include "input/wide_path.h"

namespace quilve {

std::string localHostName() {
  // The DNS host name, as gethostname gives it on Windows too.
  wchar_t name[256] = {};
  DWORD size = sizeof name / sizeof name[0];
  std::string host;
  if (!GetComputerNameExW(ComputerNameDnsHostname, name, &size) || size == 0 || !wideToUtf8(name, &host) ||
      host.find_first_of(" \t\r\n") != std::string::npos) {
    return "host";
  }
  return host;
}

long localProcessId() { return static_cast<long>(GetCurrentProcessId()); }

bool processRunning(long pid) {
  if (pid <= 0) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (!process) {
    // Another user's process cannot be opened, but it runs; no process of
    // that id is an invalid parameter.
    return GetLastError() != ERROR_INVALID_PARAMETER;
  }
  // A process that has ended but whose handle someone still holds can be
  // opened: its exit code (or its signalled handle) tells.
  DWORD code = 0;
  const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE &&
                       WaitForSingleObject(process, 0) != WAIT_OBJECT_0;
  CloseHandle(process);
  return running;
}

}  // namespace quilve
