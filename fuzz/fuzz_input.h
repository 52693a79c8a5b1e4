#pragma once
// Helpers shared by the fuzz harnesses: the readers under test take a path,
// so each input is written to one temporary file per process first.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quilve::fuzz {

// Writes the input to this process's temporary file (replacing what the
// previous input left) and returns its path. The file is removed at exit.
const std::string& writeInput(const std::uint8_t* data, std::size_t size,
                              const char* suffix = ".bin");

// The path of a second temporary name in the same folder, not created.
std::string scratchPath(const char* suffix);

// Stops the run with a message when an expectation about the parser fails:
// libFuzzer and the replay program both treat the abort as a finding.
[[noreturn]] inline void fault(const char* what) {
  std::fprintf(stderr, "fuzz expectation failed: %s\n", what);
  std::abort();
}

inline void expect(bool ok, const char* what) {
  if (!ok) fault(what);
}

}  // namespace quilve::fuzz
