#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "cli/console.h"
#include "input/wide_path.h"

namespace quilve {

CommandLine::CommandLine(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  bool converted = wide != nullptr;
  for (int i = 0; converted && i < count; ++i) {
    std::string a;
    // An unpaired surrogate cannot be a name on the command line that any
    // file has: such an argument is kept as the C library gave it.
    if (!wideToUtf8(wide[i], &a) && i < argc) a = argv[i];
    arguments_.push_back(std::move(a));
  }
  if (wide) LocalFree(wide);
  if (!converted) arguments_.assign(argv, argv + argc);
  for (std::string& a : arguments_) pointers_.push_back(a.data());
  pointers_.push_back(nullptr);
}

ConsoleSetup::ConsoleSetup() {
  // Files and pipes get the same bytes as elsewhere; the console shows LF
  // as a new line.
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  previousCodePage_ = GetConsoleOutputCP();
  if (previousCodePage_ != 0) SetConsoleOutputCP(CP_UTF8);
  for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    HANDLE h = GetStdHandle(which);
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode)) SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

ConsoleSetup::~ConsoleSetup() {
  std::fflush(stdout);
  std::fflush(stderr);
  // The console is the user's: it gets its code page back.
  if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
}

bool standardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

bool userMayWrite(const std::filesystem::path& path, bool directory) {
  // Windows checks the read-only attribute here; folders are always
  // writable to it (their rights show only when a file is made).
  const std::wstring name = systemPath(path.u8string());
  const DWORD attributes = name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return directory || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

}  // namespace quilve
