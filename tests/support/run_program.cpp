#include "support/run_program.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace quilve::test {

ProgramRun runProgram(const std::string& commandLine, const TempDir& work) {
  const std::string err = work.file("stderr.txt");
  const std::string cmd = commandLine + " 2>" + err;
  ProgramRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  std::ifstream in(err);
  r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return r;
}

ProgramRun runIn(const TempDir& dir, const std::string& program, const std::string& args, int limitSeconds) {
  return runProgram("cd '" + dir.path().string() + "' && timeout -s KILL " + std::to_string(limitSeconds) + " " +
                        program + " " + args,
                    dir);
}

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace quilve::test
