#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>

#include "engine/measure_call.h"
#include "engine/trace_points.h"
#include "fit/linear_fit.h"
#include "fit/poly_fit.h"
#include "settings/scan_settings.h"

namespace quilve {
namespace {

using test::appendPoint;
using test::appendSweep;

class MeasureCall : public ::testing::Test {
 protected:
  MeasureCall() : store(std::make_unique<ChirpStore>()) {}
  ChirpRecord& trace() { return store->records[0]; }
  CallParameters& measure(int outputFormat = kOutputAnalook) {
    measureCall(store->records[0], store->parameters[0], outputFormat, linearFit, polyFit);
    return store->parameters[0];
  }

  std::unique_ptr<ChirpStore> store;
  LinearFit linearFit;
  PolyFit polyFit;
};

TEST_F(MeasureCall, FourPointsGetNoGlobalLineAndNoKnee) {
  ChirpRecord& r = trace();
  r.fundamentalPower = 60;
  r.harmonicPower = 50;
  r.outOfBandPower = 20;
  appendPoint(r, 0.1000f, 50000, 70);
  appendPoint(r, 0.1002f, 48000, 75).harmonicLevel = 30;
  r.points[1].harmonicFrequency = 96000;
  appendPoint(r, 0.1004f, 44000, 72);
  appendPoint(r, 0.1006f, 43000, 60);
  const CallParameters& c = measure();

  EXPECT_FLOAT_EQ(c.startTime, 0.1f);
  EXPECT_NEAR(c.duration, 0.0006f, 1e-7f);
  EXPECT_FLOAT_EQ(c.sinr, 61.0f - 20.0f);
  EXPECT_FLOAT_EQ(c.dominantFrequency, 48000);
  EXPECT_NEAR(c.dominantTime, 0.0002f, 1e-7f);
  EXPECT_FLOAT_EQ(c.minFrequency, 43000);
  EXPECT_FLOAT_EQ(c.minFrequencyTime, 0.1006f);
  EXPECT_FLOAT_EQ(c.maxHarmonicLevel, 30);
  EXPECT_FLOAT_EQ(c.harmonicFrequency, 96000);
  // Equal steps: the mean of the pair midpoints 49, 46, 43.5 kHz.
  EXPECT_NEAR(c.meanFrequency, (49000.0f + 46000.0f + 43500.0f) / 3.0f, 1.0f);

  EXPECT_EQ(c.globalSlope, 0.0f);
  EXPECT_EQ(c.globalFitRms, 999.0f);
  EXPECT_EQ(c.initialSlope, 0.0f);
  EXPECT_EQ(c.hasKnee, 0);
  EXPECT_FLOAT_EQ(c.kneeFrequency, 50.0f);
  EXPECT_FLOAT_EQ(c.charFrequency, 43.0f);
  EXPECT_NEAR(c.charTime, 0.6f, 1e-4f);
  // Without a knee the parts are the whole call.
  EXPECT_NEAR(c.upperDuration, 0.6f, 1e-4f);
  EXPECT_EQ(c.upperMeanFrequency, c.meanFrequency);
}

TEST_F(MeasureCall, FivePointsGetAGlobalLineButNoEchoclassPolynomials) {
  // 60 -> 52 kHz in 0.8 ms: -10 kHz/ms, all within the first millisecond.
  appendSweep(trace(), 5, 0.0f, 0.0002f, 60000.0f, -1.0e7f);
  const CallParameters& c = measure(kOutputEchoclass);
  EXPECT_NEAR(c.globalSlope, -10.0f, 1e-3f);
  EXPECT_NEAR(c.globalIntercept, 60.0f, 1e-3f);
  EXPECT_NEAR(c.globalFitRms, 0.0f, 1e-3f);
  // A falling call has a positive slope in octaves per second.
  EXPECT_NEAR(c.globalSlopeOct, std::log2(60.0 / 52.0) / 0.0008, 1.0);
  EXPECT_NEAR(c.initialSlope, -10.0f, 1e-3f);
  EXPECT_NEAR(c.initialSlopeOct, std::log2(60.0 / 50.0) / 0.001, 1.0);
  EXPECT_FLOAT_EQ(c.curvature, 1.0f);
  EXPECT_NEAR(c.fitErrorPercent, 0.0f, 0.1f);
  EXPECT_EQ(c.linearCoeff, -999.0f);
  EXPECT_EQ(c.linearR2, 0.0f);

  // Five points spread over 2 ms: only three lie in the first millisecond.
  resetChirpRecord(trace());
  appendSweep(trace(), 5, 0.0f, 0.0005f, 60000.0f, -1.0e7f);
  const CallParameters& spread = measure();
  EXPECT_NEAR(spread.globalSlope, -10.0f, 1e-3f);
  EXPECT_EQ(spread.initialSlope, 0.0f);
}

TEST_F(MeasureCall, OwnPolynomialOrderFollowsCurvatureAndTheFittedCount) {
  EXPECT_EQ(polynomialCoefficientCount(2.4f, 20), 3);
  EXPECT_EQ(polynomialCoefficientCount(12.0f, 20), 9);
  EXPECT_EQ(polynomialCoefficientCount(12.0f, 6), 6);
  EXPECT_EQ(polynomialCoefficientCount(0.0f, 20), 2);

  // A straight sweep: curvature 1, a line.
  appendSweep(trace(), 21, 0.0f, 0.0001f, 60000.0f, -1.0e7f);
  const CallParameters& line = measure(kOutputQuilve);
  EXPECT_EQ(line.polyOrder, 1);
  EXPECT_NEAR(line.polyCoefficients[0], 60.0f, 1e-3f);
  EXPECT_NEAR(line.polyCoefficients[1], -10.0f, 1e-3f);
  EXPECT_EQ(line.polyCoefficients[2], 0.0f);
  EXPECT_NEAR(line.polyFitQuality, 1.0f, 1e-3f);

  // Five points on y = x^4 (curvature 4) ask for five coefficients, which
  // the fitter cuts to four: the order reported is the one asked for, its
  // top coefficient 0.
  resetChirpRecord(trace());
  const float shape[] = {1.0f, 0.31640625f, 0.0625f, 0.00390625f, 0.0f};
  for (int i = 0; i < 5; ++i) appendPoint(trace(), 0.0005f * i, 45000.0f + 35000.0f * shape[i]);
  const CallParameters& steep = measure(kOutputQuilve);
  EXPECT_FLOAT_EQ(steep.curvature, 4.0f);
  EXPECT_EQ(steep.polyOrder, 4);
  EXPECT_NE(steep.polyCoefficients[3], 0.0f);
  EXPECT_EQ(steep.polyCoefficients[4], 0.0f);
}

// Fails the quadratic the way a non-converging decomposition does.
class FailingQuadratic : public PolyFit {
 public:
  void fitQuadratic(const float*, const float*, int, float*, float*, float*, float*) override {
    throw std::runtime_error("no convergence");
  }
};

TEST_F(MeasureCall, FailedFitKeepsItsResetValuesAndTheRestIsMeasured) {
  appendSweep(trace(), 21, 0.0f, 0.0001f, 60000.0f, -1.0e7f);
  FailingQuadratic failing;
  CallParameters& c = store->parameters[0];
  measureCall(trace(), c, kOutputEchoclass, linearFit, failing);
  EXPECT_EQ(c.quadraticCoeff1, -999.0f);
  EXPECT_EQ(c.quadraticCoeff2, -999.0f);
  EXPECT_EQ(c.quadraticR2, 0.0f);
  EXPECT_NEAR(c.linearCoeff, -10.0f, 1e-3f);
  EXPECT_NEAR(c.linearR2, 1.0f, 1e-3f);
  EXPECT_NEAR(c.cubicCoeff1, -10.0f, 1e-2f);
  EXPECT_NEAR(c.cubicCoeff3, 0.0f, 1e-2f);
}

TEST_F(MeasureCall, ContourOffTheKneeSideGivesNoKnee) {
  // Measured frequencies on a straight line; the smoothed contour lifted
  // 200 Hz in the inner part and lowered at both ends so that its
  // regression line stays the measured line. The lift lies away from the
  // knee side of a straight call, so no point becomes a knee candidate.
  ChirpRecord& r = trace();
  appendSweep(r, 41, 0.0f, 0.0001f, 70000.0f, -5.0e6f);  // 70 -> 50 kHz in 4 ms
  for (int i = 0; i < 41; ++i) {
    const bool inner = i >= 5 && i <= 35;
    r.points[i].smoothedFrequency += inner ? 200.0f : -200.0f * 31.0f / 10.0f;
  }
  const CallParameters& c = measure();
  EXPECT_FLOAT_EQ(c.curvature, 1.0f);
  EXPECT_NEAR(c.globalSlope, -5.0f, 1e-2f);
  EXPECT_EQ(c.hasKnee, 0);
  EXPECT_FLOAT_EQ(c.kneeFrequency, 70.0f);
  EXPECT_EQ(c.kneeTime, 0.0f);
  EXPECT_EQ(c.upperSlope, c.globalSlope);
  EXPECT_EQ(c.lowerSlopeOct, c.globalSlopeOct);
  EXPECT_NEAR(c.upperDuration, 4.0f, 1e-3f);
  EXPECT_NEAR(c.meanFrequency, 60000.0f, 1.0f);
}

TEST_F(MeasureCall, HockeyStickCallHasAKneeAndAFlatCharacteristicPoint) {
  // Steep FM from 80 to 46 kHz in 1.5 ms, then nearly flat to 44 kHz at 5 ms.
  ChirpRecord& r = trace();
  for (int i = 0; i <= 50; ++i) {
    const float t = 0.0001f * i;
    const float f = i <= 15 ? 80000.0f - 34000.0f * (i / 15.0f)
                            : 46000.0f - 2000.0f * ((i - 15) / 35.0f);
    appendPoint(r, 0.2f + t, f);
  }
  const CallParameters& c = measure();
  EXPECT_LT(c.globalSlope, 0.0f);
  EXPECT_GT(c.globalSlopeOct, 0.0f);
  EXPECT_GT(c.curvature, 1.0f);  // slow first from the low end, fast last

  EXPECT_EQ(c.hasKnee, 1);
  EXPECT_NEAR(c.kneeTime, 1.5f, 0.2f);
  EXPECT_NEAR(c.kneeFrequency, 46.0f, 0.5f);
  EXPECT_GT(c.kneeDeviation, 0.7071f * c.globalFitRms);

  // Fc lies on the flat end, after the knee, with a shallow slope.
  EXPECT_NEAR(c.charFrequency, 45.0f, 1.0f);
  EXPECT_GT(c.charTime, c.kneeTime);
  EXPECT_NEAR(c.charSlope, -2.0f / 3.5f, 0.05f);

  // The part before the knee is steep, the part after it flat.
  EXPECT_LT(c.upperSlope, -15.0f);
  EXPECT_GT(c.lowerSlope, -1.5f);
  EXPECT_NEAR(c.upperDuration + c.lowerDuration, 5.0f, 1e-3f);
  EXPECT_GT(c.upperMeanFrequency, c.lowerMeanFrequency);
}

TEST_F(MeasureCall, FlatOrEmptyTracesGiveFiniteValues) {
  // A constant-frequency call has no shape for the power law: the straight
  // line, and a fit error of 0 instead of an undefined one.
  appendSweep(trace(), 21, 0.0f, 0.0001f, 42000.0f, 0.0f);
  const CallParameters& flat = measure(kOutputEchoclass);
  EXPECT_EQ(flat.curvature, 1.0f);
  EXPECT_EQ(flat.fitErrorPercent, 0.0f);
  EXPECT_EQ(flat.linearR2, 0.0f);
  EXPECT_NEAR(flat.linearCoeff, 0.0f, 1e-4f);
  EXPECT_FLOAT_EQ(flat.meanFrequency, 42000.0f);
  EXPECT_TRUE(std::isfinite(flat.globalSlopeOct));

  // One point, or a range outside the store, measures nothing undefined.
  resetChirpRecord(trace());
  appendPoint(trace(), 0.3f, 50000);
  const CallParameters& one = measure();
  EXPECT_FLOAT_EQ(one.startTime, 0.3f);
  EXPECT_FLOAT_EQ(one.meanFrequency, 50000.0f);
  EXPECT_EQ(one.curvature, 1.0f);
  EXPECT_EQ(one.fitErrorPercent, 0.0f);
  trace().endPoint = kTracePoints + 5;
  const CallParameters& bad = measure();
  EXPECT_EQ(bad.startTime, 0.0f);
  EXPECT_EQ(bad.globalFitRms, 999.0f);
}

}  // namespace
}  // namespace quilve

namespace quilve {
namespace {

TEST_F(MeasureCall, ALineThatCrossesZeroHertzHasNoOctaveSlope) {
  // A steep drop at the end pulls the fitted line below 0 Hz before the
  // call ends: log2 of a negative ratio is not a number.
  const float freqs[] = {80000, 79500, 79000, 30000, 2000, 1000, 500};
  const float levels[] = {70, 70, 70, 90, 90, 90, 90};
  for (int i = 0; i < 7; ++i) appendPoint(trace(), 0.0001f * i, freqs[i], levels[i]);
  const CallParameters& c = measure();
  const double end = c.globalIntercept + c.globalSlope * c.duration * 1000.0;
  ASSERT_LT(end, 0.0) << "the fitted line should end below 0 Hz";
  EXPECT_EQ(c.globalSlopeOct, 0.0f);
  for (float v : {c.globalSlopeOct, c.initialSlopeOct, c.charSlopeOct, c.upperSlopeOct,
                  c.lowerSlopeOct, c.curvature, c.fitErrorPercent}) {
    EXPECT_TRUE(std::isfinite(v)) << v;
  }

  // Two points fit every power law: the straight line, and no meaningless
  // fit error.
  resetChirpRecord(trace());
  appendSweep(trace(), 2, 0.0f, 0.0003f, 60000.0f, -1.0e7f);
  const CallParameters& two = measure();
  EXPECT_EQ(two.curvature, 1.0f);
  EXPECT_EQ(two.fitErrorPercent, 0.0f);
}

TEST_F(MeasureCall, FlatTraceSeeksItsKneeOnTheSideOfAStraightCall) {
  // Measured frequencies flat at 50 kHz; the smoothed contour moved 200 Hz
  // in the inner part and the other way at both ends, so that its
  // regression line stays flat. A straight call (P = 1) takes knee
  // candidates below its line only.
  for (const float lift : {200.0f, -200.0f}) {
    resetChirpRecord(trace());
    ChirpRecord& r = trace();
    appendSweep(r, 41, 0.0f, 0.0001f, 50000.0f, 0.0f);
    for (int i = 0; i < 41; ++i) {
      const bool inner = i >= 5 && i <= 35;
      r.points[i].smoothedFrequency += inner ? lift : -lift * 31.0f / 10.0f;
    }
    const CallParameters& c = measure();
    SCOPED_TRACE(lift);
    EXPECT_EQ(c.curvature, 1.0f);
    EXPECT_EQ(c.fitErrorPercent, 0.0f);
    EXPECT_NEAR(c.globalSlope, 0.0f, 1e-3f);
    if (lift > 0.0f) {
      EXPECT_EQ(c.kneeTime, 0.0f);
      EXPECT_EQ(c.kneeDeviation, 0.0f);
      EXPECT_FLOAT_EQ(c.kneeFrequency, 50.0f);
    } else {
      EXPECT_GE(c.kneeTime, 0.5f);
      EXPECT_NEAR(c.kneeDeviation, 0.2f, 0.05f);
      EXPECT_NEAR(c.kneeFrequency, 49.8f, 1e-3f);
    }
  }
}

TEST(LinearFitPowerLaw, NoExponentBetterThanAnotherKeepsTheStraightLine) {
  LinearFit fit;
  // Points that are not numbers: no exponent gives a finite residual.
  const float x[] = {0.0f, 0.5f, 1.0f};
  const float y[] = {0.0f, std::nanf(""), 1.0f};
  const float w[] = {1, 1, 1};
  float exponent = 7, residual = 7;
  fit.fitPowerLaw(x, y, w, 3, &exponent, &residual);
  EXPECT_EQ(exponent, 1.0f);
  EXPECT_EQ(residual, LinearFit::kNoPowerLawResidual);
  // Two points: every exponent fits them, none better than another.
  const float x2[] = {0.0f, 1.0f};
  const float y2[] = {0.0f, 1.0f};
  exponent = 7, residual = 7;
  fit.fitPowerLaw(x2, y2, w, 2, &exponent, &residual);
  EXPECT_EQ(exponent, 1.0f);
  EXPECT_EQ(residual, LinearFit::kNoPowerLawResidual);
}

}  // namespace
}  // namespace quilve
