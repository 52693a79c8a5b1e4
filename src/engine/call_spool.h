#pragma once
// The accepted calls of a recording analysed ahead of its turn to be
// committed, kept until then. Each call is stored compactly (a trace's points
// in use only, about 2 kB instead of 5 kB); up to a bound they stay in
// memory, which is kept for the next recording, and beyond it they go on to
// an anonymous temporary file, so what a long recording keeps in memory does
// not grow with its calls.
#include <cstddef>
#include <cstdio>
#include <vector>

#include "engine/accepted_calls.h"

namespace quilve {

class CallSpool final : public CallOutput {
 public:
  // Up to `memoryBytes` of calls are kept in memory.
  explicit CallSpool(std::size_t memoryBytes);
  ~CallSpool() override;
  CallSpool(const CallSpool&) = delete;
  CallSpool& operator=(const CallSpool&) = delete;

  // Keeps one call (the job is not kept: replay() names the recording).
  void writeCall(const ChirpRecord& trace, const CallParameters& call,
                 const CallParameters& previous, const ScanJob& job) override;

  // Hands every kept call to `out` in the order they came, with `job`, and
  // empties the spool. Returns how many calls could not be read back from
  // the temporary file (0 but for a failing disk).
  std::size_t replay(CallOutput& out, const ScanJob& job);

  // Empties the spool; its memory stays for the next recording.
  void clear();

  std::size_t size() const { return count_; }
  // Whether calls went to the temporary file (none could be made or written:
  // they stay in memory instead).
  bool spilled() const { return file_ != nullptr; }

 private:
  void spill();
  const unsigned char* take(const unsigned char* at, const unsigned char* end);

  std::size_t memoryBytes_;
  std::vector<unsigned char> memory_;  // the newest calls
  std::FILE* file_ = nullptr;          // older calls, once memory_ was full
  std::size_t inFile_ = 0;             // calls in the file
  std::size_t count_ = 0;
  bool fileFailed_ = false;            // no file to be had: memory only
  // One call read back; points past those in use are zero.
  ChirpRecord trace_;
  CallParameters call_;
  CallParameters previous_;
  std::size_t tracePointsSet_ = 0;
};

}  // namespace quilve
