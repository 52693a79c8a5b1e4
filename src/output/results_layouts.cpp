// Header and row texts of the four results layouts. Every text goes through
// printf-style formatting, so a "%%" in a header is written as "%".
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>

#include "output/name_text.h"
#include "output/results_file.h"

namespace quilve {
namespace {

#if defined(__GNUC__)
#define QUILVE_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define QUILVE_PRINTF_FORMAT(f, a)
#endif

// Appends one printf-formatted piece to `out`, however long it gets.
void appendf(std::string& out, const char* format, ...) QUILVE_PRINTF_FORMAT(2, 3);

void appendf(std::string& out, const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (length < 0) {
    va_end(again);
    return;
  }
  if (static_cast<std::size_t>(length) < sizeof buffer) {
    out.append(buffer, static_cast<std::size_t>(length));
  } else {
    // A long file name: format again into a buffer of the full size.
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(&out[start], static_cast<std::size_t>(length) + 1, format, again);
    out.resize(start + static_cast<std::size_t>(length));
  }
  va_end(again);
}

// Values derived from the call and the previous call (see the layouts).
struct TimeToPrevious {
  float prevMs;  // start to start, ms
  float gap;     // end of the previous call to this start, s; 0 when negative
};

TimeToPrevious timeToPrevious(const CallParameters& call, const CallParameters& previous) {
  TimeToPrevious t;
  t.prevMs = (call.startTime - previous.startTime) * 1000.0f;
  float gap = call.startTime - previous.startTime - previous.duration;
  t.gap = gap < 0.0f ? 0.0f : gap;
  return t;
}

// Shares of the call's duration. A call of zero duration (never measured in
// practice) gives 0 instead of an "inf" or "nan" column that the reading
// programs cannot parse.
float shareOfDuration(float numerator, float duration) {
  return duration > 0.0f ? numerator / duration : 0.0f;
}

// --- Optional parts of the Analook and SonoBat-2 layouts --------------------

void appendPositionHeader(std::string& out) { appendf(out, "\tLat (deg)\tLon (deg)\tAlt (m)"); }

void appendPosition(std::string& out, const RecordingMetadata& position) {
  if (position.gpsValid) {
    appendf(out, "\t%8.6f\t%8.6f\t%5.1f", position.latitude, position.longitude,
            position.altitude);
  } else {
    appendf(out, "\t \t \t ");
  }
}

void appendOptionalHeader(std::string& out, const ScanSettings& s) {
  if (s.IncludeSoundPressureLevel) appendf(out, "\tSPL (dB)");
  if (s.IncludeCurvature) appendf(out, "\tCurv (^P)");
  if (s.IncludeCurveFitError) appendf(out, "\tFit (%%RMS)");
  if (s.IncludeGPSCoordinates) appendPositionHeader(out);
}

void appendOptionalRow(std::string& out, const CallParameters& c,
                       const RecordingMetadata& position, const ScanSettings& s) {
  if (s.IncludeSoundPressureLevel) appendf(out, "\t%4.1f", c.maxLevel);
  if (s.IncludeCurvature) appendf(out, "\t%4.2f", c.curvature);
  if (s.IncludeCurveFitError) appendf(out, "\t%4.2f", c.fitErrorPercent);
  if (s.IncludeGPSCoordinates) appendPosition(out, position);
}

// --- Analook ------------------------------------------------------------------

void analookHeader(std::string& out, const ScanSettings& s) {
  appendf(out, "Filename\tSt (ms)\tDur (ms)\tPrev (ms)\tNext (ms)\tFmax (KHz)\tFmin (KHz)");
  appendf(out, "\tFmean (KHz)\tTk (ms)\tFk (KHz)\tQk \tTc (ms)\tFc (KHz)\tS1 (Oct/s)\tSc (Oct/s)\tQual");
  appendOptionalHeader(out, s);
  appendf(out, "\n");
}

void analookRow(std::string& out, const CallParameters& c, const CallParameters& previous,
                const std::string& fileName, const RecordingMetadata& position,
                const ScanSettings& s) {
  const TimeToPrevious t = timeToPrevious(c, previous);
  appendf(out,
          "%s\t%6.2f\t%4.2f\t%5.2f\t0\t%5.2f\t%5.2f\t%5.2f\t%4.2f\t%5.2f\t0\t%4.2f\t%5.2f\t%5.2f"
          "\t%5.2f\t0",
          fileName.c_str(), c.startTime * 1000.0f, c.duration * 1000.0f, t.prevMs,
          c.maxFrequency * 0.001, c.minFrequency * 0.001, c.meanFrequency * 0.001, c.kneeTime,
          c.kneeFrequency, c.charTime, c.charFrequency, c.initialSlopeOct, c.charSlopeOct);
  appendOptionalRow(out, c, position, s);
  appendf(out, "\n");
}

// --- SonoBat-2 ----------------------------------------------------------------

void sonoBatHeader(std::string& out, const ScanSettings& s) {
  appendf(out,
          "Filename\tSt (ms)\tDur (ms)\tPrev (ms)\tFmax (KHz)\tFmin (KHz)\tBW (KHz)\tFdom "
          "(KHz)\tLdom (%%)");
  appendf(out,
          "\tHiFc (KHz)\tLowFc (KHz)\tSlope (KHz/ms)\tLhi (%%)\tSu (KHz/ms)\tSl (KHz/ms)\tHeel "
          "(1=Y)");
  appendOptionalHeader(out, s);
  appendf(out, "\th1 (KHz)\th2 (KHz)");
  appendf(out, "\n");
}

void sonoBatRow(std::string& out, const CallParameters& c, const CallParameters& previous,
                const std::string& fileName, const RecordingMetadata& position,
                const ScanSettings& s) {
  const TimeToPrevious t = timeToPrevious(c, previous);
  const int heel = std::fabs(c.curvature) >= 2.0f ? 1 : 0;
  appendf(out,
          "%s\t%6.2f\t%4.2f\t%5.2f\t%5.2f\t%5.2f\t%5.2f\t%5.2f\t%4.1f\t%5.2f\t%5.2f\t%4.2f\t%4.1f"
          "\t%4.2f\t%4.2f\t%d",
          fileName.c_str(), c.startTime * 1000.0f, c.duration * 1000.0f, t.prevMs,
          c.maxFrequency * 0.001, c.minFrequency * 0.001,
          (c.maxFrequency - c.minFrequency) * 0.001, c.dominantFrequency * 0.001,
          shareOfDuration(c.dominantTime * 100.0f, c.duration), c.kneeFrequency,
          c.charFrequency, c.globalSlope,
          shareOfDuration(c.kneeTime * 100.0f, c.duration * 1000.0f), c.upperSlope,
          c.lowerSlope, heel);
  appendOptionalRow(out, c, position, s);
  const bool harmonic = c.maxHarmonicLevel > 0.0f;
  appendf(out, "\t%5.2f\t%5.2f", harmonic ? c.harmonicFundamental * 0.001 : 0.0,
          harmonic ? c.harmonicFrequency * 0.001 : 0.0);
  appendf(out, "\n");
}

// --- Echoclass ------------------------------------------------------------------

void echoclassHeader(std::string& out) {
  appendf(out, "Filename\tDuration\tFmax\tFmin\tFmean\tTk\tFc\tTc\tTBC\t%%k\tLine Angle\tS1\tSc");
  appendf(out, "\tR2 Linear\tLin Coeff\tR2 Quadratic\tQuad Coeff1\tQuad Coeff2\tR2 Cubic");
  appendf(out, "\tCub Coeff1\tCub Coeff2\tCub Coeff3");
  appendf(out, "\tBend 1xd\tBend 1yd\tBend 1d\tBend 1s");
  appendf(out, "\tBend 2xd\tBend 2yd\tBend 2d\tBend 2s");
  appendf(out, "\tNi\tSlfmine\tSlfmaxs\tFstart\tFend\tFc-Fmin\tBandwidth\tBroken");
  appendf(out, "\n");
}

void echoclassRow(std::string& out, const CallParameters& c, const CallParameters& previous,
                  const std::string& fileName) {
  const TimeToPrevious t = timeToPrevious(c, previous);

  // The flat section: the lower part, or the upper part when it is flatter.
  const bool upperFlatter = std::fabs(c.upperSlope) < std::fabs(c.lowerSlope);
  const float flatMean = upperFlatter ? c.upperMeanFrequency : c.lowerMeanFrequency;
  const float flatDuration = upperFlatter ? c.upperDuration : c.lowerDuration;
  const float flatSlopeOct = upperFlatter ? c.upperSlopeOct : c.lowerSlopeOct;

  const double kneeSeconds = c.kneeTime * 0.001;
  const double kneeShare = kneeSeconds < c.duration ? kneeSeconds / c.duration : 1.0;

  // Angle of the line from the start to the end of the call. A call that ends
  // on its start frequency has an infinite quotient and so an angle of 180;
  // one of zero duration has none and is given 90.
  const float rise = c.endFrequency - c.startFrequency;
  const float run = c.duration * 1000000.0f;
  double steepness = 0.0;
  if (run != 0.0f) {
    steepness = rise != 0.0f ? static_cast<double>(run / rise)
                             : std::copysign(std::numeric_limits<double>::infinity(), run);
  }
  const double lineAngle = std::atan(steepness) * 180.0 / 3.14159265 + 90.0;

  appendf(out, "%s\t%1.6f\t%3.3f\t%3.3f\t%3.3f\t%1.6f\t%3.3f\t%1.6f\t%8.1f\t%3.2f\t%4.2f\t%5.2f\t%5.2f",
          fileName.c_str(), c.duration, c.maxFrequency * 0.001, c.minFrequency * 0.001,
          c.meanFrequency * 0.001, kneeSeconds, flatMean * 0.001, flatDuration * 0.001,
          t.gap * 1000000.0f, kneeShare, lineAngle, c.upperSlopeOct, flatSlopeOct);
  appendf(out, "\t%1.6f\t%5.6f\t%1.6f\t%5.6f\t%5.6f\t%1.6f\t%5.6f\t%5.6f\t%5.6f", c.linearR2,
          c.linearCoeff, c.quadraticR2, c.quadraticCoeff1, c.quadraticCoeff2, c.cubicR2,
          c.cubicCoeff1, c.cubicCoeff2, c.cubicCoeff3);

  const bool knee = c.hasKnee != 0;
  const double bendX = knee ? c.startTime + kneeSeconds : -999.0;
  const double bendY = knee ? c.kneeFrequency : -999.0;
  const double bendDeviation = knee ? c.kneeDeviation * 1000.0f : -999.0;
  const double bendSlope = knee ? c.lowerSlope : -999.0;
  appendf(out, "\t%5.6f\t%5.6f\t%5.6f\t%5.6f\t%5.6f\t%5.6f\t%5.6f\t%5.6f\t%1d", bendX, bendY,
          bendDeviation, bendSlope, -999.0, -999.0, -999.0, -999.0, knee ? 1 : 0);

  // Slopes in octaves per second over the tail after the lowest frequency and
  // the head before the highest one, when each lasts more than half a ms.
  const float tailTime = c.startTime + c.duration - c.minFrequencyTime;
  const float headTime = c.maxFrequencyTime - c.startTime;
  const double tailSlope =
      tailTime > 0.0005f ? octavesPerSecond(c.minFrequency, c.endFrequency, tailTime) : 0.0;
  const double headSlope =
      headTime > 0.0005f ? octavesPerSecond(c.maxFrequency, c.startFrequency, headTime) : 0.0;
  appendf(out, "\t%5.6f\t%5.6f\t%6.2f\t%6.2f\t%6.2f\t%6.2f\t%1d", tailSlope, headSlope,
          c.startFrequency * 0.001, c.endFrequency * 0.001,
          c.charFrequency - c.minFrequency * 0.001, (c.maxFrequency - c.minFrequency) * 0.001, 0);
  appendf(out, "\n");
}

// --- Own layout -----------------------------------------------------------------

void ownHeader(std::string& out, const ScanSettings& s) {
  appendf(out,
          "Filename\tSt (ms)\tDur (ms)\tTBC (ms)\tMaxSPL (dB)\tMax2nd (dB)\tFstart (KHz)\tFend "
          "(KHz)\tFmax (KHz)\tFmin (KHz)\tFmean (KHz)");
  appendf(out, "\tFdom (KHz)\tTdom (ms)");
  appendf(out, "\tFk (KHz)\tTk (ms)\tSk (KHz/ms)");
  appendf(out, "\tFc (KHz)\tTc (ms)\tSc (KHz/ms)");
  appendf(out, "\tSgbl (KHz/ms)\tS1 (KHz/ms)\tSupper (KHz/ms)\tSlower (KHz/ms)\tSe (KHz/ms)");
  appendf(out, "\tCurv (^P)\tFit (%%)\tOrder");
  for (int k = 0; k < 9; ++k) appendf(out, "\tCoef%1d", k);
  if (s.IncludeGPSCoordinates) appendPositionHeader(out);
  appendf(out, "\n");
}

void ownRow(std::string& out, const CallParameters& c, const CallParameters& previous,
            const std::string& fileName, const RecordingMetadata& position,
            const ScanSettings& s) {
  const TimeToPrevious t = timeToPrevious(c, previous);
  appendf(out, "%s\t%5.3f\t%3.3f\t%3.3f\t%3.2f\t%3.2f\t%3.3f\t%3.3f\t%3.3f\t%3.3f\t%3.3f",
          fileName.c_str(), c.startTime * 1000.0f, c.duration * 1000.0f, t.gap * 1000.0f,
          c.maxLevel, c.maxHarmonicLevel, c.startFrequency * 0.001, c.endFrequency * 0.001,
          c.maxFrequency * 0.001, c.minFrequency * 0.001, c.meanFrequency * 0.001);
  appendf(out, "\t%3.3f\t%3.3f", c.dominantFrequency * 0.001, c.dominantTime * 1000.0f);
  // Without a knee the knee columns show the start of the call and the
  // global slope.
  if (c.hasKnee) {
    appendf(out, "\t%3.3f\t%3.3f\t%3.4f", c.kneeFrequency, c.kneeTime, c.kneeSlope);
  } else {
    appendf(out, "\t%3.3f\t%3.3f\t%3.4f", c.startFrequency * 0.001, 0.0, c.globalSlope);
  }
  appendf(out, "\t%3.3f\t%3.3f\t%3.4f", c.charFrequency, c.charTime, c.charSlope);
  appendf(out, "\t%3.4f\t%3.4f\t%3.4f\t%3.4f\t%3.4f", c.globalSlope, c.initialSlope,
          c.upperSlope, c.lowerSlope, c.endSlope);
  appendf(out, "\t%4.2f\t%4.2f\t%2d", c.curvature, c.polyFitQuality, c.polyOrder);
  for (float coefficient : c.polyCoefficients) appendf(out, "\t%8.6E", coefficient);
  if (s.IncludeGPSCoordinates) appendPosition(out, position);
  appendf(out, "\n");
}

}  // namespace

ResultsLayout resultsLayout(int outputFormat) {
  switch (outputFormat) {
    case kOutputSonoBat2: return ResultsLayout::SonoBat2;
    case kOutputEchoclass: return ResultsLayout::Echoclass;
    case kOutputQuilve: return ResultsLayout::Own;
    case kOutputZcd: return ResultsLayout::None;
    default: return ResultsLayout::Analook;
  }
}

std::string recordingFileName(const std::string& recordingPath) {
  const std::size_t separator = recordingPath.find_last_of("\\/");
  return separator == std::string::npos ? recordingPath : recordingPath.substr(separator + 1);
}

std::string resultsHeader(const ScanSettings& settings) {
  std::string out;
  switch (resultsLayout(settings.OutputFormat)) {
    case ResultsLayout::Analook: analookHeader(out, settings); break;
    case ResultsLayout::SonoBat2: sonoBatHeader(out, settings); break;
    case ResultsLayout::Echoclass: echoclassHeader(out); break;
    case ResultsLayout::Own: ownHeader(out, settings); break;
    case ResultsLayout::None: break;
  }
  return out;
}

std::string formatResultRow(const CallParameters& call, const CallParameters& previous,
                            const std::string& fileName, const RecordingMetadata& position,
                            const ScanSettings& settings) {
  std::string out;
  // A tab or a line end in the name would split the row.
  const std::string name = columnText(fileName);
  switch (resultsLayout(settings.OutputFormat)) {
    case ResultsLayout::Analook: analookRow(out, call, previous, name, position, settings); break;
    case ResultsLayout::SonoBat2: sonoBatRow(out, call, previous, name, position, settings); break;
    case ResultsLayout::Echoclass: echoclassRow(out, call, previous, name); break;
    case ResultsLayout::Own: ownRow(out, call, previous, name, position, settings); break;
    case ResultsLayout::None: break;
  }
  return out;
}

}  // namespace quilve
