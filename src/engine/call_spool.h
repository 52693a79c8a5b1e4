#pragma once
// The accepted calls of a recording analysed ahead of its turn to be
// committed, kept until then. Each call is stored compactly (a trace's points
// in use only, about 2 kB instead of 5 kB). The spools of a run share a
// memory budget; a spool over it goes on in an anonymous temporary file, so
// what the recordings ahead keep in memory does not grow with their calls.
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/accepted_calls.h"

namespace quilve {

// Memory the spools of a run may hold together. Calls are kept in blocks of
// kBlockBytes; a spool may always fill one block besides, so that one over
// the budget writes its file a block at a time rather than call by call: n
// spools hold at most limit + n blocks.
struct CallMemory {
  explicit CallMemory(std::size_t limitBytes) : limit(limitBytes) {}
  static constexpr std::size_t kBlockBytes = std::size_t{32} << 10;
  const std::size_t limit;
  std::atomic<std::size_t> used{0};
};

class CallSpool final : public CallOutput {
 public:
  explicit CallSpool(CallMemory& memory);
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

  // Empties the spool and gives its memory back.
  void clear();

  std::size_t size() const { return count_; }
  // Whether calls went to the temporary file (none could be made or written:
  // they stay in memory instead).
  bool spilled() const { return file_ != nullptr; }

 private:
  // Filled blocks are never moved or grown: no call is copied twice.
  struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t used = 0;
  };

  void spill();
  void freeBlocks();

  CallMemory& budget_;
  std::vector<Block> blocks_;          // the newest calls
  std::size_t inMemory_ = 0;           // bytes in blocks_
  std::FILE* file_ = nullptr;          // older calls, once the budget was spent
  std::size_t inFile_ = 0;             // calls in the file
  std::size_t count_ = 0;
  bool fileFailed_ = false;            // no file to be had: memory only
};

}  // namespace quilve
