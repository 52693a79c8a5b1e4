#include "records/call_records.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace quilve {

namespace {

ChirpRecord* zeroedSlots() {
  // Large blocks come straight from the system as untouched zero pages.
  void* memory = std::calloc(kChirpSlots, sizeof(ChirpRecord));
  if (memory == nullptr) throw std::bad_alloc();
  return static_cast<ChirpRecord*>(memory);
}

}  // namespace

ChirpRecords::ChirpRecords() : slots_(zeroedSlots()) {}

ChirpRecords::ChirpRecords(const ChirpRecords& other) : slots_(zeroedSlots()) {
  std::memcpy(slots_.get(), other.slots_.get(), sizeof(ChirpRecord) * kChirpSlots);
}

ChirpRecords& ChirpRecords::operator=(const ChirpRecords& other) {
  if (this != &other) std::memcpy(slots_.get(), other.slots_.get(), sizeof(ChirpRecord) * kChirpSlots);
  return *this;
}

void ChirpRecords::Release::operator()(ChirpRecord* slots) const { std::free(slots); }

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
