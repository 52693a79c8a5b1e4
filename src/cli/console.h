#pragma once
// What quilve-scan needs of the system it runs on, beyond files: its
// command line as UTF-8, whether standard error is a terminal (for the
// progress line), the console set up for UTF-8 names and the progress
// line's control sequences, and whether the user may write a path.
#include <filesystem>
#include <string>
#include <vector>

namespace quilve {

// The arguments as UTF-8: argv as given on POSIX systems, the system's
// UTF-16 command line converted on Windows (argv there is in the ANSI code
// page and loses every name outside it).
class CommandLine {
 public:
  CommandLine(int argc, char** argv);
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;
  int argc() const { return static_cast<int>(pointers_.size()) - 1; }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> arguments_;
  std::vector<char*> pointers_;
};

// Standard output and standard error for the run's life: on Windows UTF-8
// text on the console, control sequences understood, and LF line ends as
// elsewhere (the console takes them as they are); restored at the end.
// Nothing to do elsewhere.
class ConsoleSetup {
 public:
  ConsoleSetup();
  ~ConsoleSetup();
  ConsoleSetup(const ConsoleSetup&) = delete;
  ConsoleSetup& operator=(const ConsoleSetup&) = delete;

 private:
  unsigned previousCodePage_ = 0;
};

bool standardErrorIsTerminal();

// Whether this user may write the file, or make and remove files in the
// directory (as far as the system tells without trying).
bool userMayWrite(const std::filesystem::path& path, bool directory);

}  // namespace quilve
