#pragma once
// What the summary says of each recording beyond its name and call count:
// when it was recorded and by which source that is known, where, with which
// device, and the time-expansion factor used with its source.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/batch_scan.h"

namespace quilve {

// Stores a file name or path under `key` ("name", "path") as UTF-8 text
// (utf8Text in output/name_text.h: each byte that is not valid UTF-8 as
// U+FFFD) and, only when the bytes are not valid UTF-8, the exact bytes
// percent-encoded under `key` + "Bytes" ("nameBytes", "pathBytes").
void putNameField(nlohmann::json& entry, const std::string& key, const std::string& bytes);

// The exact bytes of such a field (from `key` + "Bytes" where present), or
// false when the entry holds no such field.
bool nameFieldBytes(const nlohmann::json& entry, const std::string& key, std::string* bytes);

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
