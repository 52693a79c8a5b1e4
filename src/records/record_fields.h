#pragma once
// Every field of the records that outcome files carry, listed once. The
// outcome writer and reader (and the tests) walk these lists with a field
// visitor, so carrying a new field is one line here.
//
// A visitor `io` is called as io(field) for every field, in file order; for
// the trace points of a ChirpRecord, io.leading(points, endPoint) hands over
// the array and the number of points in use (0..endPoint-1, which is all any
// output reads; the rest is what an earlier candidate in the slot left).
#include <array>
#include <cstddef>
#include <type_traits>
#include <vector>

#include "input/recording.h"
#include "input/sono_attribute.h"
#include "records/accepted_call.h"
#include "records/call_records.h"
#include "records/recording_outcome.h"

namespace quilve {

// What a field visitor tells apart: fixed arrays and growing lists of values.
template <class T>
struct IsArray : std::false_type {};
template <class T, std::size_t N>
struct IsArray<std::array<T, N>> : std::true_type {};
template <class T>
struct IsVector : std::false_type {};
template <class T>
struct IsVector<std::vector<T>> : std::true_type {};

// The values an enumeration a record carries may take: a file naming any
// other is refused. Each enumeration used in a record needs its own
// overload here (the template stops the build for one without).
template <class E>
constexpr bool knownEnumValue(E) {
  static_assert(sizeof(E) == 0, "add a knownEnumValue overload for this enumeration");
  return false;
}

inline bool knownEnumValue(ReadStatus v) { return v >= ReadStatus::Whole && v <= ReadStatus::Stopped; }
inline bool knownEnumValue(TimeSource v) { return v >= TimeSource::None && v <= TimeSource::File; }
inline bool knownEnumValue(ExpansionSource v) {
  return v >= ExpansionSource::Default && v <= ExpansionSource::Guano;
}

// Selects the overload for record type T, const or not.
template <class R, class T>
using IfRecord = std::enable_if_t<std::is_same_v<std::remove_const_t<R>, T>, int>;

template <class Io, class R, IfRecord<R, TracePoint> = 0>
void recordFields(Io& io, R& r) {
  io(r.time); io(r.frequency); io(r.level); io(r.noise);
  io(r.harmonicFrequency); io(r.harmonicLevel);
  io(r.smoothedFrequency); io(r.smoothedSlope); io(r.smoothedCurvature);
}

template <class Io, class R, IfRecord<R, ChirpRecord> = 0>
void recordFields(Io& io, R& r) {
  io(r.accepted);
  io(r.contextStartTime);
  io(r.peakLevel); io(r.peakNoise);
  io(r.fundamentalPower); io(r.harmonicPower); io(r.outOfBandPower);
  io(r.frequencyGain); io(r.slopeGain); io(r.curvatureGain);
  io(r.frequencyGate); io(r.timeGate);
  io(r.lastUpdateTime); io(r.predictedFrequency); io(r.predictedSlope);
  io(r.levelThreshold);
  io(r.firstPoint);
  io(r.endPoint);
  io.leading(r.points, r.endPoint);  // after endPoint
}

template <class Io, class R, IfRecord<R, CallParameters> = 0>
void recordFields(Io& io, R& r) {
  io(r.startTime); io(r.duration); io(r.maxLevel); io(r.maxHarmonicLevel); io(r.sinr);
  io(r.globalSlope); io(r.globalSlopeOct); io(r.globalIntercept); io(r.globalFitRms);
  io(r.startFrequency); io(r.initialSlope); io(r.initialSlopeOct);
  io(r.endFrequency); io(r.endSlope);
  io(r.maxFrequency); io(r.maxFrequencyTime); io(r.minFrequency); io(r.minFrequencyTime);
  io(r.dominantFrequency); io(r.dominantTime); io(r.meanFrequency);
  io(r.harmonicFundamental); io(r.harmonicFrequency);
  io(r.charFrequency); io(r.charSlope); io(r.charSlopeOct); io(r.charTime);
  io(r.kneeFrequency); io(r.kneeTime); io(r.kneeSlope); io(r.kneeDeviation); io(r.hasKnee);
  io(r.upperMeanFrequency); io(r.upperSlope); io(r.upperSlopeOct); io(r.upperDuration);
  io(r.lowerMeanFrequency); io(r.lowerSlope); io(r.lowerSlopeOct); io(r.lowerDuration);
  io(r.curvature); io(r.fitErrorPercent);
  io(r.linearR2); io(r.linearCoeff);
  io(r.quadraticR2); io(r.quadraticCoeff1); io(r.quadraticCoeff2);
  io(r.cubicR2); io(r.cubicCoeff1); io(r.cubicCoeff2); io(r.cubicCoeff3);
  io(r.polyFitQuality);
  io(r.polyOrder);
  io(r.polyCoefficients);
}

template <class Io, class R, IfRecord<R, AcceptedCall> = 0>
void recordFields(Io& io, R& r) {
  io(r.trace);
  io(r.call);
  io(r.previous);
}

template <class Io, class R, IfRecord<R, DateTime> = 0>
void recordFields(Io& io, R& r) {
  io(r.year); io(r.month); io(r.day); io(r.dayOfWeek);
  io(r.hour); io(r.minute); io(r.second); io(r.millisecond);
}

template <class Io, class R, IfRecord<R, FileIdentity> = 0>
void recordFields(Io& io, R& r) {
  io(r.device); io(r.inode); io(r.size); io(r.modified); io(r.changed);
}

template <class Io, class R, IfRecord<R, RecordingMetadata> = 0>
void recordFields(Io& io, R& r) {
  io(r.latitude); io(r.longitude); io(r.altitude); io(r.gpsValid);
  io(r.recordingTime);
  io(r.timeFromUtc);
  io(r.timeKnown);
  io(r.timeSource);
  io(r.utcOffsetKnown);
  io(r.utcOffsetMinutes);
  io(r.device);
  io(r.comment);
  io(r.expansionFactor);
  io(r.expansionSource);
}

template <class Io, class R, IfRecord<R, RecordingOutcome> = 0>
void recordFields(Io& io, R& r) {
  io(r.path);
  io(r.subfolder);
  io(r.opened);
  io(r.identity);
  io(r.openFailure);
  io(r.readFailed);
  io(r.closeFailed);
  io(r.stopped);
  io(r.readStatus);
  io(r.readReason);
  io(r.effectiveSampleRate);
  io(r.timeOfDay);
  io(r.metadata);
  io(r.fileChirpCount);
  io(r.calls);
}

}  // namespace quilve
