#pragma once
// What the summary says of each recording beyond its name and call count:
// when it was recorded and by which source that is known, where, with which
// device, and the time-expansion factor used with its source.
#include <nlohmann/json.hpp>
#include <vector>

#include "engine/batch_scan.h"

namespace quilve {

// "recorded" (ISO 8601 in the recording's own local time, with its UTC
// offset where known, or null), "timeSource", "latitude", "longitude",
// "device" (null when none is known), "expansion", "expansionSource". Every
// field is null for a recording that could not be opened.
nlohmann::json recordingSummaryFields(const BatchRecordingReport& report);

// Adds those fields to every entry of a summary list ("name", "path",
// "calls"): an entry takes the recording of its path (an entry without a
// path, the last recording of its name).
void addRecordingSummaryFields(nlohmann::json& entries,
                               const std::vector<BatchRecordingReport>& recordings);

}  // namespace quilve
