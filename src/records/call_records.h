#pragma once
// The records of detected calls that the analysis fills and the outputs
// read: the trace of each call candidate (ChirpRecord with its TracePoints)
// and its measured parameters (CallParameters), in 2048 paired slots indexed
// by one chirp index that saturates at 2047.
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "records/zero_pages.h"

namespace quilve {

constexpr int kChirpSlots = 2048;
constexpr int kLastChirpSlot = kChirpSlots - 1;
constexpr int kTracePoints = 128;

struct TracePoint {
  float time = 0;               // s from the start of the recording
  float frequency = 0;          // Hz, measured
  float level = 0;              // dB
  float noise = 0;              // dB, background at that frequency
  float harmonicFrequency = 0;  // Hz, -1 when no harmonic was found
  float harmonicLevel = 0;      // dB, -1 when none
  float smoothedFrequency = 0;  // Hz, tracker estimate
  float smoothedSlope = 0;      // Hz/s
  float smoothedCurvature = 0;  // Hz/s^2
};

struct ChirpRecord {
  std::uint8_t accepted = 0;
  float contextStartTime = 0;  // s; candidate open time minus 15 column times
  float peakLevel = 0;         // dB
  float peakNoise = 0;         // dB
  float fundamentalPower = 0;  // dB
  float harmonicPower = 0;     // dB
  float outOfBandPower = 0;    // dB
  float frequencyGain = 0;
  float slopeGain = 0;
  float curvatureGain = 0;
  float frequencyGate = 0;  // Hz
  float timeGate = 0;       // s
  float lastUpdateTime = 0;      // s
  float predictedFrequency = 0;  // Hz
  float predictedSlope = 0;      // Hz/s
  float levelThreshold = 0;      // dB
  std::int32_t firstPoint = 0;
  std::int32_t endPoint = 0;
  std::array<TracePoint, kTracePoints> points{};
};

struct CallParameters {
  float startTime = 0;         // s
  float duration = 0;          // s
  float maxLevel = 0;          // dB
  float maxHarmonicLevel = 0;  // dB
  float sinr = 0;              // dB
  float globalSlope = 0;       // kHz/ms
  float globalSlopeOct = 0;    // octaves/s
  float globalIntercept = 0;   // kHz
  float globalFitRms = 999;    // kHz
  float startFrequency = 0;    // Hz
  float initialSlope = 0;      // kHz/ms
  float initialSlopeOct = 0;   // octaves/s
  float endFrequency = 0;      // Hz
  float endSlope = 0;          // kHz/ms
  float maxFrequency = 0;      // Hz
  float maxFrequencyTime = 0;  // s
  float minFrequency = 0;      // Hz
  float minFrequencyTime = 0;  // s
  float dominantFrequency = 0; // Hz
  float dominantTime = 0;      // s from the first point
  float meanFrequency = 0;     // Hz
  float harmonicFundamental = 0;  // Hz
  float harmonicFrequency = 0;    // Hz
  float charFrequency = 0;     // kHz
  float charSlope = 0;         // kHz/ms
  float charSlopeOct = 0;      // octaves/s
  float charTime = 0;          // ms from the first point
  float kneeFrequency = 0;     // kHz
  float kneeTime = 0;          // ms from the first point
  float kneeSlope = 0;         // kHz/ms
  float kneeDeviation = 0;     // kHz
  std::uint8_t hasKnee = 0;
  float upperMeanFrequency = 0;  // Hz
  float upperSlope = 0;          // kHz/ms
  float upperSlopeOct = 0;       // octaves/s
  float upperDuration = 0;       // ms
  float lowerMeanFrequency = 0;  // Hz
  float lowerSlope = 0;          // kHz/ms
  float lowerSlopeOct = 0;       // octaves/s
  float lowerDuration = 0;       // ms
  float curvature = 0;           // exponent
  float fitErrorPercent = 0;     // %
  float linearR2 = 0;
  float linearCoeff = -999;      // kHz/ms
  float quadraticR2 = 0;
  float quadraticCoeff1 = -999;
  float quadraticCoeff2 = -999;
  float cubicR2 = 0;
  float cubicCoeff1 = -999;
  float cubicCoeff2 = -999;
  float cubicCoeff3 = -999;
  float polyFitQuality = 0;
  std::int32_t polyOrder = 0;
  std::array<float, 9> polyCoefficients{};
};

// Octaves per second from `fromHz` to `toHz` over `seconds` (positive for a
// falling call), in double. Frequencies that are not positive (a fitted line
// that reaches 0 Hz), no time between them or a result that is not finite
// give the layouts' "not defined" value 0.
double octavesPerSecond(double fromHz, double toHz, double seconds);

// A trace slot's reset state is all bits zero.
static_assert(std::is_trivially_copyable_v<ChirpRecord> && std::is_trivially_destructible_v<ChirpRecord>,
              "trace slots are taken from zero-filled memory");

// How many of the 2048 slots a store holds in memory: every one (the
// desktop shows and saves every call of a recording), or only that of the
// call under way (a batch scan hands each accepted call on as it is
// found); slot s then shares the one held.
enum class SlotsKept { Every, Current };

// The trace slots in fresh anonymous memory, which is zero and is given
// pages only as slots are used (huge pages where the system offers them):
// a recording with few calls does not pay for clearing all 9.6 MB.
class ChirpRecords {
 public:
  explicit ChirpRecords(SlotsKept kept = SlotsKept::Every);
  // One mapping per store: never copied or moved.
  ChirpRecords(const ChirpRecords&) = delete;
  ChirpRecords& operator=(const ChirpRecords&) = delete;

  ChirpRecord& operator[](std::size_t slot) { return slots_[slot & mask_]; }
  const ChirpRecord& operator[](std::size_t slot) const { return slots_[slot & mask_]; }
  // Slots held: 2048, or 1.
  std::size_t held() const { return mask_ + 1; }

 private:
  std::size_t mask_;
  ZeroPages memory_;
  ChirpRecord* slots_;
};

// The measured parameters of the slots, held as the trace slots are.
class CallParameterSlots {
 public:
  explicit CallParameterSlots(SlotsKept kept = SlotsKept::Every)
      : mask_(kept == SlotsKept::Every ? kLastChirpSlot : 0), slots_(mask_ + 1) {}
  CallParameters& operator[](std::size_t slot) { return slots_[slot & mask_]; }
  const CallParameters& operator[](std::size_t slot) const { return slots_[slot & mask_]; }

 private:
  std::size_t mask_;
  std::vector<CallParameters> slots_;
};

// The 2048 paired slots. Owned by one scan (or one recording's analysis), so
// several recordings can be analysed on several threads.
struct ChirpStore {
  explicit ChirpStore(SlotsKept kept = SlotsKept::Every) : records(kept), parameters(kept) {}
  ChirpRecords records;
  CallParameterSlots parameters;
};

// Clears the head fields of a trace slot (points are left as they are).
void resetChirpRecord(ChirpRecord& record);
// Gives every parameter its reset value.
void resetCallParameters(CallParameters& parameters);

}  // namespace quilve
