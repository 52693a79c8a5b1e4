#pragma once
// Runs a command line through the shell and keeps its exit code, standard
// output and standard error, for tests of the command-line programs.
#include <cstddef>
#include <string>

#include "support/temp_dir.h"

namespace quilve::test {

struct ProgramRun {
  int status = -1;  // the exit code, -1 when the program died of a signal
  std::string out;
  std::string err;
};

// Standard error goes through a file in `work`.
ProgramRun runProgram(const std::string& commandLine, const TempDir& work);

// Runs `program args` with `dir` as working folder, killed after
// `limitSeconds`: a program that waits for ever ends with status 137
// instead of hanging the tests.
ProgramRun runIn(const TempDir& dir, const std::string& program, const std::string& args, int limitSeconds);

// How often `what` occurs in `text`.
std::size_t occurrences(const std::string& text, const std::string& what);

}  // namespace quilve::test
