#include "support/annotation_boxes.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quilve::test {

namespace {

bool toNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size();
}

}  // namespace

std::vector<AnnotationBox> readAnnotationBoxes(const std::string& path) {
  std::vector<AnnotationBox> out;
  std::ifstream in(path);
  std::string line;
  if (!std::getline(in, line)) return out;  // the header
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f;
    std::stringstream row(line);
    std::string field;
    while (std::getline(row, field, '\t')) f.push_back(field);
    if (f.size() < 6) continue;
    f.resize(9);
    AnnotationBox b;
    b.recording = f[0];
    if (!toNumber(f[1], b.start) || !toNumber(f[2], b.end)) continue;
    toNumber(f[3], b.lowHz);
    toNumber(f[4], b.highHz);
    b.group = f[5];
    b.type = f[6];
    b.species = f[7];
    b.source = f[8];
    out.push_back(b);
  }
  return out;
}

MatchScore matchCallStarts(std::vector<double> starts, const std::vector<AnnotationBox>& boxes,
                           const std::string& recording, double slack) {
  std::vector<const AnnotationBox*> bat;
  for (const AnnotationBox& b : boxes) {
    if (b.recording == recording && b.group == "bat") bat.push_back(&b);
  }
  std::sort(bat.begin(), bat.end(),
            [](const AnnotationBox* a, const AnnotationBox* b) { return a->start < b->start; });
  std::sort(starts.begin(), starts.end());
  std::vector<bool> taken(bat.size(), false);
  MatchScore score;
  score.calls = starts.size();
  score.boxes = bat.size();
  for (double t : starts) {
    for (std::size_t i = 0; i < bat.size(); ++i) {
      if (taken[i] || t < bat[i]->start - slack || t > bat[i]->end + slack) continue;
      taken[i] = true;
      ++score.matched;
      break;
    }
  }
  return score;
}

}  // namespace quilve::test
