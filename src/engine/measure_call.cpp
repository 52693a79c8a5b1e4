#include "engine/measure_call.h"

#include <array>
#include <cmath>
#include <exception>

#include "fit/linear_fit.h"
#include "fit/poly_fit.h"
#include "settings/scan_settings.h"

namespace quilve {

namespace {

using Scratch = std::array<float, kTracePoints>;

float levelWeight(const TracePoint& p) {
  return static_cast<float>(std::pow(10.0, (static_cast<double>(p.level) - p.noise) / 20.0));
}

// Quality of a polynomial fit relative to the call's bandwidth B (kHz):
// 1 - RMS residual / B. A call without bandwidth has no meaningful quality
// and keeps the reset value.
void setQuality(float& quality, float chiSquare, int n, float bandwidthKhz) {
  if (!(bandwidthKhz > 0.0f)) return;
  quality = 1.0f - static_cast<float>(std::sqrt(static_cast<double>(chiSquare) / (n - 1))) /
                       bandwidthKhz;
}

// Time-weighted mean frequency over the pairs (j-1, j) selected by `take`,
// or `fallback` when the selected pairs span no time.
template <typename Take>
float meanOverPairs(const TracePoint* p, int n, float fallback, Take take) {
  float sum = 0.0f;
  float total = 0.0f;
  for (int j = 1; j < n; ++j) {
    if (!take(j)) continue;
    const float dt = p[j].time - p[j - 1].time;
    sum += dt * (p[j].frequency + p[j - 1].frequency) * 0.5f;
    total += dt;
  }
  return total > 0.0f ? sum / total : fallback;
}

}  // namespace

int polynomialCoefficientCount(float curvature, int n) {
  int q = static_cast<int>(std::fabs(curvature) + 0.5f) + 1;
  if (q > 9) q = 9;
  if (q > n) q = n;
  if (q < 2) q = 2;
  return q;
}

void measureCall(const ChirpRecord& record, CallParameters& c, int outputFormat,
                 LinearFit& linearFit, PolyFit& polyFit) {
  resetCallParameters(c);
  const int first = record.firstPoint;
  const int end = record.endPoint;
  if (first < 0 || end > kTracePoints || first >= end) return;

  const TracePoint* p = record.points.data() + first;
  const int n = end - first;
  const float t0 = p[0].time;
  const float tEnd = p[n - 1].time;

  // Scratch arrays shared by every fit of the call.
  Scratch x{};
  Scratch y{};
  Scratch w{};

  c.startTime = t0;
  c.duration = tEnd - t0;
  c.sinr = addLevels(record.fundamentalPower, record.harmonicPower) - record.outOfBandPower;
  c.startFrequency = p[0].frequency;
  c.endFrequency = p[n - 1].frequency;

  // Extremes, loudest point, harmonic and the time-weighted mean frequency.
  c.maxLevel = p[0].level;
  c.dominantFrequency = p[0].frequency;
  c.dominantTime = 0.0f;
  c.maxFrequency = c.minFrequency = p[0].frequency;
  c.maxFrequencyTime = c.minFrequencyTime = t0;
  c.maxHarmonicLevel = 0.0f;
  for (int j = 0; j < n; ++j) {
    const TracePoint& q = p[j];
    if (q.level > c.maxLevel) {
      c.maxLevel = q.level;
      c.dominantFrequency = q.frequency;
      c.dominantTime = q.time - t0;
    }
    if (q.harmonicLevel > c.maxHarmonicLevel) {
      c.maxHarmonicLevel = q.harmonicLevel;
      c.harmonicFundamental = q.frequency;
      c.harmonicFrequency = q.harmonicFrequency;
    }
    if (q.frequency < c.minFrequency) {
      c.minFrequency = q.frequency;
      c.minFrequencyTime = q.time;
    }
    if (q.frequency > c.maxFrequency) {
      c.maxFrequency = q.frequency;
      c.maxFrequencyTime = q.time;
    }
  }
  c.meanFrequency = meanOverPairs(p, n, c.startFrequency, [](int) { return true; });

  // Global regression line through the smoothed contour (ms, kHz).
  if (n > 4) {
    for (int i = 0; i < n; ++i) {
      x[i] = (p[i].time - t0) * 1000.0f;
      y[i] = p[i].smoothedFrequency * 0.001f;
      w[i] = 1.0f;
    }
    float intercept = 0, slope = 0, residual = 0;
    linearFit.fitWeightedLine(x.data(), y.data(), w.data(), n, &intercept, &slope, &residual);
    c.globalSlope = slope;
    c.globalIntercept = intercept;
    c.globalFitRms = static_cast<float>(std::sqrt(static_cast<double>(residual) / n));
    const double fa = static_cast<double>(intercept) * 1000.0;
    const double fb = (static_cast<double>(intercept) + slope * c.duration * 1000.0f) * 1000.0;
    c.globalSlopeOct = static_cast<float>(octavesPerSecond(fa, fb, c.duration));
  }

  // Curvature: power law through the contour normalised to 0..1 on both
  // axes, x running from the low-frequency end. Two points fit every power
  // law, and a trace without duration or frequency change has no number to
  // fit: the search then keeps the straight line, P = 1, so the knee is
  // sought on the side of a straight call, and its residual, which means
  // nothing, gives a fit error of 0.
  const float fLow = c.minFrequency;
  const float fHigh = c.maxFrequency;
  c.curvature = 1.0f;
  c.fitErrorPercent = 0.0f;
  if (c.duration > 0.0f && fHigh > fLow) {
    const bool falling = c.endFrequency < c.startFrequency;
    for (int i = 0; i < n; ++i) {
      // Rounding may put an end point a hair below 0, where a fractional
      // power is not a number.
      x[i] = std::fmax(0.0f, falling ? (tEnd - p[i].time) / c.duration
                                     : (p[i].time - t0) / c.duration);
      y[i] = (p[i].frequency - fLow) / (fHigh - fLow);
      w[i] = 1.0f;
    }
    float exponent = 0, residual = 0;
    linearFit.fitPowerLaw(x.data(), y.data(), w.data(), n, &exponent, &residual);
    c.curvature = exponent;
    c.fitErrorPercent =
        residual >= LinearFit::kNoPowerLawResidual
            ? 0.0f
            : static_cast<float>(100.0 * std::sqrt(static_cast<double>(residual) / (n - 1)));
  }

  // Polynomials of the Echoclass and own layouts, through the smoothed
  // contour (ms, kHz). The constant terms are not kept.
  const bool echoclass = outputFormat == kOutputEchoclass && n > 5;
  const bool own = outputFormat == kOutputQuilve && n > 4;
  if (echoclass || own) {
    for (int i = 0; i < n; ++i) {
      x[i] = (p[i].time - t0) * 1000.0f;
      y[i] = p[i].smoothedFrequency * 0.001f;
    }
    const float bandwidth = (c.maxFrequency - c.minFrequency) * 0.001f;
    if (echoclass) {
      float a0, a1, a2, a3, chi;
      try {
        polyFit.fitLine(x.data(), y.data(), n, &a0, &a1, &chi);
        c.linearCoeff = a1;
        setQuality(c.linearR2, chi, n, bandwidth);
      } catch (const std::exception&) {
      }
      try {
        polyFit.fitQuadratic(x.data(), y.data(), n, &a0, &a1, &a2, &chi);
        c.quadraticCoeff1 = a1;
        c.quadraticCoeff2 = a2;
        setQuality(c.quadraticR2, chi, n, bandwidth);
      } catch (const std::exception&) {
      }
      try {
        polyFit.fitCubic(x.data(), y.data(), n, &a0, &a1, &a2, &a3, &chi);
        c.cubicCoeff1 = a1;
        c.cubicCoeff2 = a2;
        c.cubicCoeff3 = a3;
        setQuality(c.cubicR2, chi, n, bandwidth);
      } catch (const std::exception&) {
      }
    } else {
      const int q = polynomialCoefficientCount(c.curvature, n);
      std::array<float, 9> coefficients{};
      int count = 0;
      float chi = 0;
      try {
        polyFit.fitPolynomial(q, x.data(), y.data(), n, coefficients.data(), &count, &chi);
        // The fitter drops to n - 1 coefficients when q reaches n; the order
        // reported is still the one asked for, q - 1, its top coefficient 0.
        if (count > 9) count = 9;
        if (count > 0) {
          c.polyOrder = q - 1;
          for (int i = 0; i < 9; ++i) c.polyCoefficients[i] = i < count ? coefficients[i] : 0.0f;
          setQuality(c.polyFitQuality, chi, n, bandwidth);
        }
      } catch (const std::exception&) {
      }
    }
  }

  // Initial slope S1: weighted line over the points of the first millisecond.
  {
    int m = 0;
    while (m < n && (p[m].time - t0) * 1000.0f < 1.0f) {
      x[m] = (p[m].time - t0) * 1000.0f;
      y[m] = p[m].frequency * 0.001f;
      w[m] = levelWeight(p[m]);
      ++m;
    }
    if (m > 4) {
      float intercept = 0, slope = 0, residual = 0;
      linearFit.fitWeightedLine(x.data(), y.data(), w.data(), m, &intercept, &slope, &residual);
      c.initialSlope = slope;
      const double fa = static_cast<double>(intercept) * 1000.0;
      const double fb = (static_cast<double>(intercept) + slope) * 1000.0;
      c.initialSlopeOct = static_cast<float>(octavesPerSecond(fa, fb, 0.001));
    }
  }

  // Knee (largest deviation from the global line on the knee side) and
  // characteristic point (flattest local slope), from 1 ms windows around the
  // points at least 0.5 ms away from both ends.
  c.charFrequency = c.endFrequency * 0.001f;
  c.charSlope = c.globalSlope;
  c.charSlopeOct = c.globalSlopeOct;
  c.charTime = c.duration * 1000.0f;
  c.kneeFrequency = c.startFrequency * 0.001f;
  c.kneeTime = 0.0f;
  c.kneeDeviation = 0.0f;
  c.hasKnee = 0;
  float bestDeviation = 0.0f;
  const float noiseBar = 0.7071f * c.globalFitRms;
  for (int j = 0; j < n; ++j) {
    const float tj = p[j].time;
    if (!(tj - t0 >= 0.0005f) || !(tEnd - tj >= 0.0005f)) continue;

    int m = 0;
    for (int k = 0; k < n; ++k) {
      const float dx = (p[k].time - tj) * 1000.0f;
      if (std::fabs(dx) > 0.5f) continue;
      x[m] = dx;
      y[m] = p[k].frequency * 0.001f;
      w[m] = levelWeight(p[k]);
      ++m;
    }
    if (m <= 4) continue;
    float a = 0, s = 0, residual = 0;
    linearFit.fitWeightedLine(x.data(), y.data(), w.data(), m, &a, &s, &residual);

    const float f = p[j].smoothedFrequency * 0.001f;
    const float t = (tj - t0) * 1000.0f;
    const float g = t * c.globalSlope + c.globalIntercept;
    float d = f - g;
    if (c.curvature > 0.0f) d = -d;

    if (d > 0.0f && d > bestDeviation) {
      bestDeviation = d;
      c.kneeFrequency = f;
      c.kneeTime = t;
      c.kneeSlope = s;
      c.kneeDeviation = d;
      c.hasKnee = noiseBar < d ? 1 : 0;
    }
    if (std::fabs(c.charSlope) > std::fabs(s)) {
      c.charFrequency = f;
      c.charTime = t;
      c.charSlope = s;
      const double fa = (static_cast<double>(a) + static_cast<double>(s) * x[0]) * 1000.0;
      const double fb = (static_cast<double>(a) + static_cast<double>(s) * (x[0] + 1.0)) * 1000.0;
      c.charSlopeOct = static_cast<float>(octavesPerSecond(fa, fb, 0.001));
    }
    c.endSlope = s;
  }

  // Upper (before the knee) and lower (after it) parts of the call.
  if (c.hasKnee) {
    float tk = c.kneeTime;
    if (std::fabs(tk) < 0.1f) tk = 0.1f;
    c.upperSlope = (c.kneeFrequency - c.startFrequency * 0.001f) / tk;
    c.upperSlopeOct =
        static_cast<float>(octavesPerSecond(c.startFrequency * 0.001, c.kneeFrequency, tk * 0.001));
    c.upperDuration = tk;

    float tl = c.duration * 1000.0f - c.kneeTime;
    if (std::fabs(tl) < 0.1f) tl = 0.1f;
    c.lowerSlope = (c.endFrequency * 0.001f - c.kneeFrequency) / tl;
    c.lowerSlopeOct =
        static_cast<float>(octavesPerSecond(c.kneeFrequency, c.endFrequency * 0.001, tl * 0.001));
    c.lowerDuration = tl;

    const float kneeTime = c.kneeTime;
    c.upperMeanFrequency = meanOverPairs(p, n, c.startFrequency, [&](int j) {
      return (p[j].time - t0) * 1000.0f <= kneeTime;
    });
    c.lowerMeanFrequency = meanOverPairs(p, n, c.startFrequency, [&](int j) {
      return (p[j].time - t0) * 1000.0f >= kneeTime;
    });
  } else {
    c.upperSlope = c.lowerSlope = c.globalSlope;
    c.upperSlopeOct = c.lowerSlopeOct = c.globalSlopeOct;
    c.upperDuration = c.lowerDuration = c.duration * 1000.0f;
    c.upperMeanFrequency = c.lowerMeanFrequency = c.meanFrequency;
  }
}

}  // namespace quilve
