#include "records/call_records.h"

#include <cmath>
#include <new>

namespace quilve {

ChirpRecords::ChirpRecords(SlotsKept kept)
    : mask_(kept == SlotsKept::Every ? kLastChirpSlot : 0),
      memory_(sizeof(ChirpRecord) * (mask_ + 1)),
      slots_(static_cast<ChirpRecord*>(memory_.data())) {
  if (slots_ == nullptr) throw std::bad_alloc();
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

double octavesPerSecond(double fromHz, double toHz, double seconds) {
  if (!(fromHz > 0.0) || !(toHz > 0.0) || !(seconds != 0.0)) return 0.0;
  const double v = std::log2(fromHz / toHz) / seconds;
  return std::isfinite(v) ? v : 0.0;
}

}  // namespace quilve
