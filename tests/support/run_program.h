#pragma once
// Starts the command-line programs for their tests and keeps their exit
// code, standard output and standard error.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace quilve::test {

struct ProgramRun {
  int status = -1;  // the exit code, -1 when the program died of a signal
  std::string out;
  std::string err;
};

// A program and its arguments, passed to it exactly as given (no shell).
struct Command {
  std::vector<std::string> args;  // args[0] is the program: a path, or a name looked up on PATH
  std::string workingFolder;      // empty: this process's
  std::vector<std::pair<std::string, std::string>> environment;  // set (or replaced) for the child
  int limitSeconds = 0;  // killed after this long (status 137); 0: no limit
  std::string input;     // given on standard input (Windows runner; empty: none)
};

ProgramRun run(const Command& command);

// Runs a command line through the shell. Standard error goes through a file
// in `work`. Where there is no POSIX shell (Windows) only the simple forms
// the tests use are understood: words quoted as the shell quotes them
// (a backslash escapes only what the shell treats specially, so that
// Windows paths pass unquoted),
// leading NAME=value settings, a leading "cd FOLDER &&", "exec",
// "timeout [-s KILL] SECONDS" before the program, "printf 'TEXT' |"
// feeding standard input, and
// redirections of standard error to a file or of either stream to
// /dev/null. Anything else fails the run with the reason in err.
ProgramRun runProgram(const std::string& commandLine, const TempDir& work);

// Runs `program args` with `dir` as working folder, killed after
// `limitSeconds`: a program that waits for ever ends with status 137
// instead of hanging the tests.
ProgramRun runIn(const TempDir& dir, const std::string& program, const std::string& args, int limitSeconds);

// A command line split into a Command by the shell's rules for the forms
// runProgram accepts on every system; false, with the reason in *why, for
// anything else.
bool parseCommandLine(const std::string& line, Command* command, std::string* stderrFile, std::string* why);

// A command line for CreateProcess: each argument quoted so that the
// Windows C runtime's splitting (CommandLineToArgvW) gives it back unchanged.
std::string windowsCommandLine(const std::vector<std::string>& args);

// How often `what` occurs in `text`.
std::size_t occurrences(const std::string& text, const std::string& what);

}  // namespace quilve::test
