// Writes the bundled sample recordings: a general 250 kHz recording with
// frequency-modulated calls, a time-expanded 25 kHz recording with an
// attribute block, and a noise-only recording.
//   quilve_samples DIR [PLAIN.wav]
//   quilve_samples --long FILE SECONDS
// With PLAIN.wav the time-expanded signal is also written there without its
// attribute block, as the source of the WavPack sample (the block then goes
// into the WavPack tag).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

void put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
void putText(std::vector<std::uint8_t>& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

bool writeWav(const std::string& path, std::uint32_t rate, const std::vector<std::int16_t>& samples,
              const std::string& block) {
  std::vector<std::uint8_t> fmt;
  put16(fmt, 1);
  put16(fmt, 1);
  put32(fmt, rate);
  put32(fmt, rate * 2);
  put16(fmt, 2);
  put16(fmt, 16);
  if (!block.empty()) {
    put16(fmt, static_cast<unsigned>(block.size()));
    putText(fmt, block);
    if (fmt.size() & 1) fmt.push_back(0);
  }
  std::vector<std::uint8_t> out;
  putText(out, "RIFF");
  put32(out, static_cast<std::uint32_t>(4 + 8 + fmt.size() + 8 + samples.size() * 2));
  putText(out, "WAVE");
  putText(out, "fmt ");
  put32(out, static_cast<std::uint32_t>(fmt.size()));
  out.insert(out.end(), fmt.begin(), fmt.end());
  putText(out, "data");
  put32(out, static_cast<std::uint32_t>(samples.size() * 2));
  for (std::int16_t s : samples) put16(out, static_cast<std::uint16_t>(s));
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

// Adds a linear sweep from f0 to f1 (Hz, real time) lasting `dur` seconds,
// starting at `start`, into a buffer sampled at `rate` real samples/second.
void addSweep(std::vector<double>& x, double rate, double start, double dur, double f0, double f1,
              double amp) {
  const std::size_t first = static_cast<std::size_t>(start * rate);
  const std::size_t n = static_cast<std::size_t>(dur * rate);
  for (std::size_t i = 0; i < n && first + i < x.size(); ++i) {
    const double t = i / rate;
    const double phase = 2 * kPi * (f0 * t + 0.5 * (f1 - f0) / dur * t * t);
    const double env = std::sin(kPi * i / n);
    x[first + i] += amp * env * env * std::sin(phase);
  }
}

std::vector<std::int16_t> toPcm(const std::vector<double>& x, double noise, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> g(0.0, noise);
  std::vector<std::int16_t> out(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double v = std::round(x[i] + g(rng));
    out[i] = static_cast<std::int16_t>(std::fmax(-32768.0, std::fmin(32767.0, v)));
  }
  return out;
}

}  // namespace

// A long recording for speed measurements: calls every 100 ms at 250 kHz.
int writeLong(const std::string& path, double seconds) {
  const double rate = 250000;
  std::vector<double> x(static_cast<std::size_t>(seconds * rate));
  for (double t = 0.02; t + 0.01 < seconds; t += 0.1) addSweep(x, rate, t, 0.004, 80000, 40000, 9000);
  return writeWav(path, 250000, toPcm(x, 60, 7), "") ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--long") return writeLong(argv[2], std::atof(argv[3]));
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s DIR [PLAIN.wav]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;

  // General recording at 250 kHz: two passes of calls sweeping 80 -> 40 kHz.
  {
    const double rate = 250000;
    std::vector<double> x(static_cast<std::size_t>(0.8 * rate));
    for (int i = 0; i < 5; ++i) addSweep(x, rate, 0.02 + 0.07 * i, 0.004, 80000, 40000, 9000);
    for (int i = 0; i < 3; ++i) addSweep(x, rate, 0.55 + 0.08 * i, 0.006, 55000, 45000, 7000);
    ok &= writeWav(dir + "/site1_D20140930T010203m456.wav", 250000, toPcm(x, 60, 1), "");
  }
  // Time-expanded x10: 0.6 s of real time stored at 25 kHz.
  {
    const double rate = 250000;  // real-time rate of the synthesised signal
    std::vector<double> x(static_cast<std::size_t>(0.6 * rate));
    for (int i = 0; i < 6; ++i) addSweep(x, rate, 0.03 + 0.09 * i, 0.003, 95000, 45000, 9000);
    const std::string block =
        "MMMMMMMMM(#25000#)<&10&>[!full!]DEV=PELLAR-7,CMT=<sample, time expanded>,"
        "GPS=lat:51.123456 lon:-1.654321 alt:85.0,UTC=2014:09:30::01:02:03.456,LTB=-60MMMMMMMMM";
    const std::vector<std::int16_t> pcm = toPcm(x, 60, 2);
    ok &= writeWav(dir + "/te10_D20140930T020304m000.wav", 25000, pcm, block);
    if (argc == 3) ok &= writeWav(argv[2], 25000, pcm, "");
  }
  // Noise only.
  {
    std::vector<double> x(static_cast<std::size_t>(0.4 * 250000));
    ok &= writeWav(dir + "/noise_D20140930T030000m000.wav", 250000, toPcm(x, 300, 3), "");
  }
  if (!ok) {
    std::fprintf(stderr, "quilve_samples: failed writing to %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
