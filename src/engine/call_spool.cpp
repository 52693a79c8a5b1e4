#include "engine/call_spool.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

#include "engine/temporary_file.h"

namespace quilve {

namespace {

static_assert(std::is_trivially_copyable_v<ChirpRecord> && std::is_trivially_copyable_v<CallParameters>,
              "calls are kept as their bytes");
static_assert(std::is_standard_layout_v<ChirpRecord>, "the head fields lie before the points");

// A kept call: u32 points in use, the trace's head fields, those points, the
// call's parameters and those of the call before it.
constexpr std::size_t kHeadBytes = offsetof(ChirpRecord, points);
constexpr std::size_t kFixedBytes = sizeof(std::uint32_t) + kHeadBytes + 2 * sizeof(CallParameters);
static_assert(kFixedBytes + kTracePoints * sizeof(TracePoint) <= CallMemory::kBlockBytes,
              "a call fits in a block");

std::size_t pointsInUse(const ChirpRecord& trace) {
  return static_cast<std::size_t>(std::clamp<std::int32_t>(trace.endPoint, 0, kTracePoints));
}

unsigned char* put(unsigned char* at, const void* from, std::size_t bytes) {
  std::memcpy(at, from, bytes);
  return at + bytes;
}

}  // namespace

CallSpool::CallSpool(CallMemory& budget) : budget_(budget) {}

CallSpool::~CallSpool() {
  clear();
}

void CallSpool::writeCall(const ChirpRecord& trace, const CallParameters& call,
                          const CallParameters& previous, const ScanJob&) {
  const std::size_t points = pointsInUse(trace);
  const std::size_t bytes = kFixedBytes + points * sizeof(TracePoint);
  if (inMemory_ + bytes > CallMemory::kBlockBytes &&
      budget_.used.load(std::memory_order_relaxed) + bytes > budget_.limit) {
    spill();
  }
  if (blocks_.empty() || blocks_.back().used + bytes > CallMemory::kBlockBytes) {
    // Left uninitialised: every byte used is written before it is read.
    blocks_.push_back(Block{std::unique_ptr<unsigned char[]>(new unsigned char[CallMemory::kBlockBytes]), 0});
  }
  Block& block = blocks_.back();
  const std::uint32_t n = static_cast<std::uint32_t>(points);
  unsigned char* at = block.bytes.get() + block.used;
  at = put(at, &n, sizeof n);
  at = put(at, &trace, kHeadBytes);
  at = put(at, trace.points.data(), points * sizeof(TracePoint));
  at = put(at, &call, sizeof call);
  put(at, &previous, sizeof previous);
  block.used += bytes;
  inMemory_ += bytes;
  budget_.used.fetch_add(bytes, std::memory_order_relaxed);
  ++count_;
}

void CallSpool::spill() {
  if (fileFailed_ || blocks_.empty()) return;
  if (!file_) file_ = anonymousTemporaryFile();
  bool written = file_ != nullptr;
  for (const Block& block : blocks_) {
    written = written && std::fwrite(block.bytes.get(), 1, block.used, file_) == block.used;
  }
  // Without a working file the calls stay in memory: nothing is lost.
  if (!written || std::fflush(file_) != 0) {
    fileFailed_ = true;
    return;
  }
  inFile_ = count_;
  freeBlocks();
}

void CallSpool::freeBlocks() {
  budget_.used.fetch_sub(inMemory_, std::memory_order_relaxed);
  blocks_.clear();
  inMemory_ = 0;
}

namespace {

// One call read back; points past those in use are zero.
struct ReadCall {
  ChirpRecord trace;
  CallParameters call;
  CallParameters previous;
  std::size_t pointsSet = 0;

  // Reads the call at `at`; the end of it, or null when what is left from
  // `at` to `end` does not hold a whole call.
  const unsigned char* take(const unsigned char* at, const unsigned char* end) {
    std::uint32_t n = 0;
    if (end - at < static_cast<std::ptrdiff_t>(sizeof n)) return nullptr;
    std::memcpy(&n, at, sizeof n);
    at += sizeof n;
    if (n > static_cast<std::uint32_t>(kTracePoints) ||
        end - at < static_cast<std::ptrdiff_t>(kFixedBytes - sizeof n + n * sizeof(TracePoint))) {
      return nullptr;
    }
    std::memcpy(static_cast<void*>(&trace), at, kHeadBytes);
    at += kHeadBytes;
    std::memcpy(trace.points.data(), at, n * sizeof(TracePoint));
    at += n * sizeof(TracePoint);
    // Points past those in use never carry over from the call before.
    if (pointsSet > n) std::fill(trace.points.begin() + n, trace.points.begin() + pointsSet, TracePoint{});
    pointsSet = n;
    std::memcpy(static_cast<void*>(&call), at, sizeof call);
    at += sizeof call;
    std::memcpy(static_cast<void*>(&previous), at, sizeof previous);
    return at + sizeof previous;
  }
};

}  // namespace

std::size_t CallSpool::replay(CallOutput& out, const ScanJob& job) {
  if (count_ == 0) return 0;
  // Made per replay: a spool waiting for its turn stays small.
  const auto read = std::make_unique<ReadCall>();
  std::size_t lost = 0;
  if (file_ && inFile_ > 0) {
    std::vector<unsigned char> record(kFixedBytes + kTracePoints * sizeof(TracePoint));
    std::size_t handed = 0;
    if (std::fseek(file_, 0, SEEK_SET) == 0) {
      for (; handed < inFile_; ++handed) {
        std::uint32_t n = 0;
        if (std::fread(&n, sizeof n, 1, file_) != 1 || n > static_cast<std::uint32_t>(kTracePoints)) break;
        std::memcpy(record.data(), &n, sizeof n);
        const std::size_t rest = kFixedBytes - sizeof n + n * sizeof(TracePoint);
        if (std::fread(record.data() + sizeof n, 1, rest, file_) != rest) break;
        if (!read->take(record.data(), record.data() + sizeof n + rest)) break;
        out.writeCall(read->trace, read->call, read->previous, job);
      }
    }
    lost = inFile_ - handed;
  }
  for (const Block& block : blocks_) {
    const unsigned char* at = block.bytes.get();
    const unsigned char* end = at + block.used;
    while (at < end && (at = read->take(at, end)) != nullptr) {
      out.writeCall(read->trace, read->call, read->previous, job);
    }
  }
  clear();
  return lost;
}

void CallSpool::clear() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  fileFailed_ = false;
  freeBlocks();
  inFile_ = 0;
  count_ = 0;
}

}  // namespace quilve
