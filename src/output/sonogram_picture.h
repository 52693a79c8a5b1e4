#pragma once
// One page of a sonogram picture: the sonogram (time across at one pixel per
// column of SonogramColumns, frequency up at two pixels per spectrum bin,
// coloured with the display colour scale), the accepted calls' traced
// contours over it with their start marked and their number, the axes in ms
// and kHz, and a title line.
#include <cstdint>
#include <string>
#include <vector>

#include "output/level_colours.h"
#include "output/raster.h"
#include "records/accepted_call.h"

namespace quilve {

// Picture geometry.
struct SonogramLayout {
  static constexpr int kLeft = 36;        // frequency labels
  static constexpr int kRight = 12;
  static constexpr int kTop = 16;         // title line
  static constexpr int kBottom = 24;      // time labels
  static constexpr int kRowsPerBin = 2;
  static constexpr int kPlotHeight = 128 * kRowsPerBin;
  static int width(int columns) { return kLeft + columns + kRight; }
  static int height() { return kTop + kPlotHeight + kBottom; }
};

// Colours drawn over the sonogram; none of them is a colour of the scale.
constexpr Rgb kContourColour{255, 255, 255};
constexpr Rgb kCallStartColour{255, 0, 255};
constexpr Rgb kFrameColour{128, 128, 128};

struct SonogramPage {
  std::string title;
  std::int64_t firstColumn = 0;    // ms from the start of the recording
  int columns = 0;
  const float* levels = nullptr;   // columns x 128 levels, column by column
  float effectiveSampleRate = 0.0f;
  LevelRange range;
};

// Draws the page; `calls` are the recording's accepted calls in order
// (numbered from 1), each drawn where it falls on this page.
Raster drawSonogramPage(const SonogramPage& page, const std::vector<AcceptedCall>& calls);

// Where the plot puts a time (s from the start of the recording) and a
// frequency (Hz) of a page; outside the plot when they fall off it.
int sonogramX(const SonogramPage& page, double seconds);
int sonogramY(const SonogramPage& page, double hertz);

}  // namespace quilve
