#pragma once
// Measurement of a finished trace: every call parameter of CallParameters
// from the points firstPoint .. endPoint-1 of its ChirpRecord.
#include "engine/chirp_record.h"

namespace quilve {

class LinearFit;
class PolyFit;

// Fills `parameters` (starting from its reset values) from the trace in
// `record`. `outputFormat` (OutputFormat) decides which polynomial fits run:
// the Echoclass line, quadratic and cubic, or the own layout's polynomial of
// the order suggested by the curvature. A polynomial fit that fails leaves
// the values it would have set at their reset values. A record whose point
// range is empty or out of bounds gives reset parameters.
void measureCall(const ChirpRecord& record, CallParameters& parameters, int outputFormat,
                 LinearFit& linearFit, PolyFit& polyFit);

// Number of polynomial coefficients the own layout fits for a curvature
// exponent on a call of n points: round(|curvature|) + 1, within 2..min(9, n).
int polynomialCoefficientCount(float curvature, int n);

}  // namespace quilve
