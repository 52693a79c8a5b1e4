// Generated recordings through the whole call path: DC removal, spectrum,
// levels, chirp detector and acceptance chain, checked against what the
// generator put in.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/accepted_calls.h"
#include "engine/chirp_detector.h"
#include "engine/chirp_record.h"
#include "engine/scan_state.h"
#include "fit/linear_fit.h"
#include "fit/poly_fit.h"
#include "settings/scan_settings.h"
#include "support/signal_generator.h"

namespace quilve {
namespace {

using test::CallSpec;
using test::GeneratedRecording;
using test::SignalGenerator;
using test::SweepShape;

// Keeps every accepted call with its trace.
class CollectCalls : public CallOutput {
 public:
  void writeCall(const ChirpRecord& trace, const CallParameters& call, const CallParameters&,
                 const ScanJob&) override {
    traces.push_back(trace);
    calls.push_back(call);
  }
  std::vector<ChirpRecord> traces;
  std::vector<CallParameters> calls;
};

struct ScanResult {
  std::vector<ChirpRecord> traces;
  std::vector<CallParameters> calls;
  int candidates = 0;  // candidates that reached the end of tracking
  float columnTime = 0.0f;
  double binWidth = 0.0;       // Hz
  double windowCentre = 0.0;   // s from a column's clock to the centre of its window
};

// Scans a mono recording the way the scan worker does: the effective rate is
// the stored rate times the expansion factor, the first 256 samples prime
// the spectrum, then one column of samplesPerColumn samples at a time.
ScanResult scan(const GeneratedRecording& rec, const ScanSettings& settings) {
  const double rate = static_cast<double>(rec.storedSampleRate) * rec.expansionFactor;
  const int spc = samplesPerColumn(settings.DetailSelection, static_cast<float>(rate));
  const DetectorSetup setup = makeDetectorSetup(settings, rate, spc);

  auto store = std::make_unique<ChirpStore>();
  auto tiles = std::make_unique<MemoryTileStore>();
  ScanJob job;
  ScanSession session;
  startRecordingCalls(job);
  LinearFit linearFit;
  PolyFit polyFit;
  CollectCalls output;
  CallFinishing finishing{settings, linearFit, polyFit, output, nullptr, tiles.get()};

  ChirpDetector detector(tiles.get());
  detector.startRecording(setup);
  ColumnSpectrum spectrum;

  ScanResult result;
  result.columnTime = setup.columnTime;
  result.binWidth = setup.nyquist / kSpectrumBins;
  // The clock is 0 at the first column after priming, whose 256-sample
  // window starts one column into the recording; a call shows up when it
  // reaches the middle of the window.
  result.windowCentre = (spc + ColumnSpectrum::kWindow / 2) / rate;
  const std::size_t n = rec.samples.size();
  if (n < static_cast<std::size_t>(ColumnSpectrum::kWindow)) return result;
  spectrum.prime(rec.samples.data());
  detector.prime(spectrum.levels());
  double clock = 0.0;
  for (std::size_t pos = ColumnSpectrum::kWindow; pos + spc <= n; pos += spc) {
    spectrum.advance(rec.samples.data() + pos, spc);
    const int slot = job.chirpIndex;
    const DetectorStep step =
        detector.step(spectrum.levels(), spectrum.power(), clock, store->records[slot], slot);
    if (step.candidateFinished) {
      ++result.candidates;
      finishCandidate(*store, job, session, finishing);
    }
    clock += setup.columnTime;
  }
  result.traces = output.traces;
  result.calls = output.calls;
  return result;
}

constexpr double kNoiseDb = -60.0;

CallSpec sweep(SweepShape shape, double start, double duration, double f0, double f1) {
  CallSpec c;
  c.shape = shape;
  c.startTime = start;
  c.duration = duration;
  c.startFrequency = f0;
  c.endFrequency = f1;
  return c;
}

// Compares each accepted call with the generated one at the same position.
void expectMatchesTruth(const ScanResult& r, const GeneratedRecording& rec) {
  ASSERT_EQ(r.calls.size(), rec.calls.size());
  const double column = r.columnTime;
  for (std::size_t i = 0; i < rec.calls.size(); ++i) {
    const test::CallTruth& truth = rec.calls[i];
    const CallParameters& p = r.calls[i];
    SCOPED_TRACE(testing::Message() << "call " << i << " from " << truth.startFrequency << " Hz");
    EXPECT_NEAR(p.startTime + r.windowCentre, truth.startTime, 2 * column);
    EXPECT_NEAR(p.duration, truth.duration(), 2 * column);
    EXPECT_NEAR(p.startFrequency, truth.startFrequency, 1.5 * r.binWidth);
    EXPECT_NEAR(p.endFrequency, truth.endFrequency, 1.5 * r.binWidth);
    const double slope = truth.meanSlopeKHzPerMs();
    EXPECT_EQ(p.globalSlope < 0, slope < 0);
    EXPECT_NEAR(p.globalSlope, slope, 0.1 * std::fabs(slope));
  }
}

SignalGenerator mixedCalls() {
  SignalGenerator gen(0.25);
  gen.addNoise(kNoiseDb);
  gen.addCall(sweep(SweepShape::Linear, 0.010, 0.008, 70000, 35000));
  gen.addCall(sweep(SweepShape::Linear, 0.045, 0.006, 55000, 30000));
  gen.addCall(sweep(SweepShape::Hyperbolic, 0.080, 0.006, 55000, 35000));
  gen.addCall(sweep(SweepShape::HockeyStick, 0.115, 0.008, 65000, 45000));
  gen.addCall(sweep(SweepShape::Linear, 0.150, 0.005, 30000, 50000));  // rising
  CallSpec harmonic = sweep(SweepShape::Linear, 0.185, 0.006, 45000, 25000);
  harmonic.harmonicDb = -6.0;
  gen.addCall(harmonic);
  return gen;
}

TEST(EndToEndCalls, EachGeneratedCallIsAcceptedOnceWithItsTimesFrequenciesAndSlope) {
  const GeneratedRecording rec = mixedCalls().render();
  expectMatchesTruth(scan(rec, ScanSettings{}), rec);
}

TEST(EndToEndCalls, TimeExpandedRecordingAt25kHzGivesTheSameCalls) {
  const GeneratedRecording expanded = mixedCalls().render(10);
  EXPECT_EQ(expanded.storedSampleRate, 25000u);
  expectMatchesTruth(scan(expanded, ScanSettings{}), expanded);
}

TEST(EndToEndCalls, ShapeParametersOfHockeyStickHarmonicAndConstantCalls) {
  const GeneratedRecording rec = mixedCalls().render();
  const ScanResult r = scan(rec, ScanSettings{});
  ASSERT_EQ(r.calls.size(), 6u);
  // Fc lies on the flat end of the hockey stick.
  EXPECT_NEAR(r.calls[3].charFrequency * 1000.0, 45000.0, r.binWidth);
  // The harmonic call keeps its fundamental and records the harmonic at twice it.
  const CallParameters& h = r.calls[5];
  EXPECT_GT(h.maxHarmonicLevel, 0.0f);
  EXPECT_NEAR(h.harmonicFrequency, 2.0 * h.harmonicFundamental, 2 * r.binWidth);

  // A constant-frequency call has no sweep for the curvature fit to follow,
  // so it is accepted with the fit restriction off.
  SignalGenerator gen(0.05);
  gen.addNoise(kNoiseDb);
  gen.addCall(sweep(SweepShape::Constant, 0.01, 0.01, 40000, 40000));
  const GeneratedRecording cf = gen.render();
  ScanSettings settings;
  settings.FitSelection = kFitOff;
  const ScanResult c = scan(cf, settings);
  ASSERT_EQ(c.calls.size(), 1u);
  EXPECT_NEAR(c.calls[0].startFrequency, 40000.0, r.binWidth);
  EXPECT_NEAR(c.calls[0].endFrequency, 40000.0, r.binWidth);
  EXPECT_NEAR(c.calls[0].duration, 0.01, 2 * c.columnTime);
  EXPECT_NEAR(c.calls[0].globalSlope, 0.0, 0.05);
}

TEST(EndToEndCalls, NoiseAloneGivesNoCallAtDefaultSettings) {
  for (double db : {-60.0, -20.0}) {
    SignalGenerator gen(2.0, 250000.0, 3);
    gen.addNoise(db);
    const ScanResult r = scan(gen.render(), ScanSettings{});
    EXPECT_EQ(r.calls.size(), 0u) << db << " dB";
  }
}

}  // namespace
}  // namespace quilve
