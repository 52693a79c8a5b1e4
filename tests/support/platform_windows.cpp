#include "support/platform.h"

#include <windows.h>

#include <cstdlib>

#include "input/wide_path.h"

namespace quilve::test {

std::filesystem::path filePath(const std::string& path) {
  const std::wstring full = systemPath(path);
  if (full.empty()) return std::filesystem::u8path(path);
  return std::filesystem::path(full);
}

std::string noFifos() { return "Windows has no FIFOs in the file system"; }
std::string noPermissionBits() {
  return "Windows has no owner permission bits that deny reading (only the read-only attribute)";
}
std::string noSymbolicLinks() {
  return "symbolic links on Windows need a privilege ordinary users lack";
}
std::string noSignals() { return "Windows sends no signals by number to another process"; }
std::string noDevices() { return "Windows has no /dev/null or /dev/full in the file system"; }
std::string noMounts() { return "Windows has no tmpfs or bind mounts for a test to make"; }
std::string noHiveFile() {
  return "on Windows the settings hive is the registry: no file of its own to be unreadable or set aside";
}
bool trashUnderDataHome() { return false; }
bool namesIgnoreCase() { return true; }
bool namesOfOpenFilesReusable() { return false; }
std::string nativeSeparators(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

bool makeFifo(const std::string&) { return false; }
void unblockFifo(const std::string&) {}
bool setMode(const std::string&, unsigned) { return false; }

bool canRead(const std::string& path) {
  const HANDLE h = ::CreateFileW(systemPath(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(h);
  return true;
}

bool isSuperUser() { return false; }

bool setEnvironment(const std::string& name, const std::string& value) {
  std::wstring n, v;
  if (!utf8ToWide(name, &n) || !utf8ToWide(value, &v)) return false;
  // Both the process block (for children) and the C library's copy.
  return ::SetEnvironmentVariableW(n.c_str(), v.c_str()) && ::_wputenv_s(n.c_str(), v.c_str()) == 0;
}

bool unsetEnvironment(const std::string& name) {
  std::wstring n;
  if (!utf8ToWide(name, &n)) return false;
  return ::SetEnvironmentVariableW(n.c_str(), nullptr) && ::_wputenv_s(n.c_str(), L"") == 0;
}

// GetTempPath reads TMP, then TEMP.
std::vector<std::string> temporaryFolderVariables() { return {"TMP", "TEMP"}; }

std::tm utcTime(std::time_t t) {
  std::tm tm{};
  ::gmtime_s(&tm, &t);
  return tm;
}

std::string hostName() {
  wchar_t name[256] = {};
  DWORD size = 255;
  if (!::GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return {};
  std::string out;
  wideToUtf8(name, &out);
  return out;
}

// The id stays taken while a handle to the ended process is open, and is
// free once it is closed.
long endedProcess() {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring program = std::wstring(system) + L"\\cmd.exe";
  std::wstring line = L"cmd.exe /c exit 0";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &si, &pi)) {
    return 0;
  }
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return static_cast<long>(pi.dwProcessId);
}

bool fileKeyOf(const std::string& path, FileKey* key) {
  const HANDLE h = ::CreateFileW(systemPath(path).c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = ::GetFileInformationByHandle(h, &info) != 0;
  ::CloseHandle(h);
  if (!ok) return false;
  key->device = info.dwVolumeSerialNumber;
  key->index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

namespace {
// FILETIME counts 100 ns from 1601.
constexpr std::int64_t kFrom1601 = 116444736000000000;
}  // namespace

bool modifiedTime(const std::string& path, std::int64_t* ns) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(systemPath(path).c_str(), GetFileExInfoStandard, &data)) return false;
  const std::int64_t ticks = (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                             data.ftLastWriteTime.dwLowDateTime;
  *ns = (ticks - kFrom1601) * 100;
  return true;
}

bool setModifiedTime(const std::string& path, std::int64_t ns) {
  const HANDLE h = ::CreateFileW(systemPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const std::int64_t ticks = ns / 100 + kFrom1601;
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(ticks & 0xffffffff);
  t.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  const bool ok = ::SetFileTime(h, nullptr, nullptr, &t) != 0;
  ::CloseHandle(h);
  return ok;
}

bool bindMount(const std::string&, const std::string&) { return false; }
void unmount(const std::string&) {}

std::string otherFileSystemFolder(const std::string& beside) {
  FileKey here;
  if (!fileKeyOf(beside, &here)) return {};
  const DWORD drives = ::GetLogicalDrives();
  for (int d = 0; d < 26; ++d) {
    if (!(drives & (1u << d))) continue;
    const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + d)) + L":\\";
    if (::GetDriveTypeW(root.c_str()) != DRIVE_FIXED) continue;
    const std::string rootText = std::string(1, static_cast<char>('A' + d)) + ":\\";
    FileKey there;
    if (!fileKeyOf(rootText, &there) || there.device == here.device) continue;
    // In the drive's temporary folder where it has one (Wine's Z: is the
    // root of the host's file system).
    std::string base = rootText;
    const DWORD tmp = ::GetFileAttributesW(systemPath(rootText + "tmp").c_str());
    if (tmp != INVALID_FILE_ATTRIBUTES && (tmp & FILE_ATTRIBUTE_DIRECTORY)) base += "tmp\\";
    for (unsigned n = ::GetCurrentProcessId();; ++n) {
      const std::string folder = base + "quilve-test-" + std::to_string(n);
      if (::CreateDirectoryW(systemPath(folder).c_str(), nullptr)) return folder;
      if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
  }
  return {};
}

// No sharing at all: other opens fail with a sharing violation.
ExclusiveOpen::ExclusiveOpen(const std::string& path) {
  const HANDLE h = ::CreateFileW(systemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) handle_ = h;
}

ExclusiveOpen::~ExclusiveOpen() {
  if (handle_) ::CloseHandle(static_cast<HANDLE>(handle_));
}

}  // namespace quilve::test
