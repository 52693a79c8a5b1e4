#pragma once
// Runs a command line through the shell and keeps its exit code, standard
// output and standard error, for tests of the command-line programs.
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

}  // namespace quilve::test
