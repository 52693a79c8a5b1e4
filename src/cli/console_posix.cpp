#include <unistd.h>

#include "cli/console.h"

namespace quilve {

CommandLine::CommandLine(int argc, char** argv) : arguments_(argv, argv + argc) {
  for (std::string& a : arguments_) pointers_.push_back(a.data());
  pointers_.push_back(nullptr);
}

ConsoleSetup::ConsoleSetup() = default;
ConsoleSetup::~ConsoleSetup() = default;

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

bool userMayWrite(const std::filesystem::path& path, bool directory) {
  return ::access(path.c_str(), directory ? W_OK | X_OK : W_OK) == 0;
}

}  // namespace quilve
