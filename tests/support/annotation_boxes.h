#pragma once
// Annotation tables of real recordings (boxes.tsv: one header line, then per
// sound event its recording, start and end in seconds of real time, lowest
// and highest frequency in Hz, group, type, species and source) and the
// matching of detected calls against their bat boxes.
#include <cstddef>
#include <string>
#include <vector>

namespace quilve::test {

struct AnnotationBox {
  std::string recording;  // file name in the table's folder
  double start = 0.0;     // s, real time
  double end = 0.0;
  double lowHz = 0.0;
  double highHz = 0.0;
  std::string group;  // bat, insect, noise, bird or unknown
  std::string type;
  std::string species;
  std::string source;
};

// Every row of the table; empty when it cannot be read. A row with too few
// columns or a start or end that is not a number is left out.
std::vector<AnnotationBox> readAnnotationBoxes(const std::string& path);

struct MatchScore {
  std::size_t calls = 0;    // calls detected in the recording
  std::size_t boxes = 0;    // bat boxes of the recording
  std::size_t matched = 0;  // calls that took a bat box (each box at most once)
  double recall() const { return boxes ? static_cast<double>(matched) / boxes : 0.0; }
  // Every call that took no bat box counts against it.
  double precision() const { return calls ? static_cast<double>(matched) / calls : 0.0; }
};

// Matches call start times (s, real time) against the bat boxes of
// `recording`: a call takes the earliest box not yet taken whose span,
// widened by `slack` on both sides, holds its start.
MatchScore matchCallStarts(std::vector<double> starts, const std::vector<AnnotationBox>& boxes,
                           const std::string& recording, double slack = 0.002);

}  // namespace quilve::test
