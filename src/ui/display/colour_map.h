#pragma once
// The displays' colours: the sonogram colour scale (shared with the
// sonogram pictures, output/level_colours.h) and the fixed colours.
#include "output/level_colours.h"
#include "ui/toolkit/toolkit.h"

namespace quilve::ui {

using quilve::LevelColours;
using quilve::LevelColourTable;
using quilve::LevelRange;
using quilve::levelColour;
using quilve::levelRangeFrom;

// Fixed colours of the displays.
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

}  // namespace quilve::ui
