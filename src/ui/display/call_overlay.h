#pragma once
// What is drawn over a chirp tile for its call: the traced contour and the
// markers and parameter panel of the measured call.
#include <string>
#include <vector>

#include "engine/chirp_record.h"
#include "ui/display/chirp_tile.h"

namespace quilve::ui {

// The measured contour (red) with a red square at the first point of the
// smoothed contour, the smoothed contour (green) with a green square at its
// last point, and the harmonic (blue) over each run of more than two
// consecutive points that have one. Point times are taken relative to the
// record's context start. Nothing is drawn unless endPoint > 1.
void drawCallTrace(Canvas& canvas, const ChirpTile& tile, const ChirpRecord& record);

// The lines of the parameter panel, in the order they are drawn: Fs, Fk,
// Fc, Fd in the first column; the three slopes of the output format's
// unit (kHz/ms for SonoBat-2, the own layout and zero-crossing files,
// octaves per second for Analook and Echoclass), Curv and SINR in the
// second.
struct PanelLine {
  int column;  // 0 or 1
  int y;       // offset from the panel's first line
  std::string text;
};
std::vector<PanelLine> parameterPanelLines(const ChirpRecord& record, const CallParameters& call,
                                           int outputFormat);

// Square outlines labelled "Fs", "Fk" (green) and "Fc" (red) at the start
// point, the knee and the characteristic point, each label a line above
// its point and kept on the tile as `measure` sizes it; with `showPanel`
// also the parameter panel, 216 pixels right of the tile's left edge (so
// that both columns fit inside the ring around the enlarged tile) at the
// height of 0.48 x sample rate on the tile's frequency axis, moved up where
// its last line would reach the ring.
void drawCallParameters(Canvas& canvas, const TextMeasure& measure, const ChirpTile& tile,
                        const ChirpRecord& record, const CallParameters& call, int outputFormat,
                        double sampleRate, bool showPanel);

}  // namespace quilve::ui
