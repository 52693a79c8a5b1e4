#include "records/call_records.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace quilve {

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

ChirpRecords::ChirpRecords(SlotsKept kept) {
  allocate(kept == SlotsKept::Every ? static_cast<std::size_t>(kChirpSlots) : 1);
}

void ChirpRecords::allocate(std::size_t held) {
  const std::size_t bytes = sizeof(ChirpRecord) * held;
  // Large stores get whole huge pages, with room to start on one.
  const bool huge = bytes >= kHugePage;
  const std::size_t unit = huge ? kHugePage : kPage;
  mappedBytes_ = (bytes + unit - 1) / unit * unit + (huge ? kHugePage : 0);
  mapping_ = mmap(nullptr, mappedBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping_ == MAP_FAILED) {
    mapping_ = nullptr;
    throw std::bad_alloc();
  }
  auto at = reinterpret_cast<std::uintptr_t>(mapping_);
  if (huge) {
    const std::uintptr_t aligned = (at + kHugePage - 1) / kHugePage * kHugePage;
    // A hint only: without huge pages the slots take small pages as used.
    [[maybe_unused]] const int advised =
        madvise(reinterpret_cast<void*>(aligned), mappedBytes_ - (aligned - at), MADV_HUGEPAGE);
    at = aligned;
  }
  slots_ = reinterpret_cast<ChirpRecord*>(at);
  mask_ = held - 1;
}

ChirpRecords::ChirpRecords(const ChirpRecords& other) {
  allocate(other.held());
  std::memcpy(slots_, other.slots_, sizeof(ChirpRecord) * held());
}

ChirpRecords& ChirpRecords::operator=(const ChirpRecords& other) {
  if (this == &other) return *this;
  if (held() != other.held()) {
    release();
    allocate(other.held());
  }
  std::memcpy(slots_, other.slots_, sizeof(ChirpRecord) * held());
  return *this;
}

ChirpRecords::ChirpRecords(ChirpRecords&& other) noexcept
    : mask_(other.mask_),
      mappedBytes_(other.mappedBytes_),
      mapping_(std::exchange(other.mapping_, nullptr)),
      slots_(std::exchange(other.slots_, nullptr)) {}

ChirpRecords& ChirpRecords::operator=(ChirpRecords&& other) noexcept {
  if (this != &other) {
    release();
    mask_ = other.mask_;
    mappedBytes_ = other.mappedBytes_;
    mapping_ = std::exchange(other.mapping_, nullptr);
    slots_ = std::exchange(other.slots_, nullptr);
  }
  return *this;
}

ChirpRecords::~ChirpRecords() { release(); }

void ChirpRecords::release() {
  if (mapping_ != nullptr) munmap(mapping_, mappedBytes_);
  mapping_ = nullptr;
  slots_ = nullptr;
}

void resetChirpRecord(ChirpRecord& record) {
  record.accepted = 0;
  record.contextStartTime = 0;
  record.peakLevel = 0;
  record.peakNoise = 0;
  record.fundamentalPower = 0;
  record.harmonicPower = 0;
  record.outOfBandPower = 0;
  record.frequencyGain = 0;
  record.slopeGain = 0;
  record.curvatureGain = 0;
  record.frequencyGate = 0;
  record.timeGate = 0;
  record.lastUpdateTime = 0;
  record.predictedFrequency = 0;
  record.predictedSlope = 0;
  record.levelThreshold = 0;
  record.firstPoint = 0;
  record.endPoint = 0;
}

void resetCallParameters(CallParameters& parameters) {
  // The member initialisers are the reset values.
  parameters = CallParameters{};
}

}  // namespace quilve
