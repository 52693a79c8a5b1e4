#include "cli/recording_summary.h"

#include <cmath>
#include <map>
#include <string>

#include "output/name_text.h"
#include "output/results_file.h"
#include "input/guano.h"

namespace quilve {

namespace {

// Text from a recording may hold bytes that are not UTF-8 (an attribute
// block is plain bytes); JSON text must be UTF-8, so such bytes show as "?".
std::string asUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    std::size_t len = 0;
    if (s[i] < 0x80) {
      len = 1;
    } else if ((s[i] & 0xE0) == 0xC0 && s[i] >= 0xC2) {
      len = 2;
    } else if ((s[i] & 0xF0) == 0xE0) {
      len = 3;
    } else if ((s[i] & 0xF8) == 0xF0 && s[i] <= 0xF4) {
      len = 4;
    }
    bool ok = len != 0 && i + len <= n;
    for (std::size_t k = 1; ok && k < len; ++k) ok = (s[i + k] & 0xC0) == 0x80;
    if (ok && len == 3) {
      const unsigned cp = ((s[i] & 0x0Fu) << 12) | ((s[i + 1] & 0x3Fu) << 6);
      ok = cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF);
    }
    if (ok && len == 4) {
      const unsigned cp = ((s[i] & 0x07u) << 18) | ((s[i + 1] & 0x3Fu) << 12);
      ok = cp >= 0x10000 && cp <= 0x10FFFF;
    }
    if (!ok) {
      out += '?';
      ++i;
    } else {
      out.append(text, i, len);
      i += len;
    }
  }
  return out;
}

}  // namespace

void putNameField(nlohmann::json& entry, const std::string& key, const std::string& bytes) {
  if (isValidUtf8(bytes)) {
    entry[key] = bytes;
    return;
  }
  entry[key] = utf8Text(bytes);
  entry[key + "Bytes"] = percentEncodedBytes(bytes);
}

bool nameFieldBytes(const nlohmann::json& entry, const std::string& key, std::string* bytes) {
  if (!entry.is_object()) return false;
  const auto exact = entry.find(key + "Bytes");
  if (exact != entry.end() && exact->is_string()) {
    return decodePercentBytes(exact->get<std::string>(), bytes);
  }
  const auto text = entry.find(key);
  if (text == entry.end() || !text->is_string()) return false;
  *bytes = text->get<std::string>();
  return true;
}

nlohmann::json recordingSummaryFields(const BatchRecordingReport& report) {
  nlohmann::json j;
  const RecordingMetadata& m = report.metadata;
  const bool known = report.opened && m.timeKnown;
  j["recorded"] = known ? nlohmann::json(formatIsoTime(m.recordingTime, m.utcOffsetKnown,
                                                       m.utcOffsetMinutes))
                        : nlohmann::json(nullptr);
  j["timeSource"] = known ? nlohmann::json(timeSourceName(m.timeSource)) : nlohmann::json(nullptr);
  const bool position = report.opened && m.gpsValid && std::isfinite(m.latitude) &&
                        std::isfinite(m.longitude);
  // Positions are kept in single precision; six decimals (about 0.1 m) is
  // what they hold, so the summary does not show float noise past that.
  auto degrees = [](float v) { return std::round(static_cast<double>(v) * 1e6) / 1e6; };
  j["latitude"] = position ? nlohmann::json(degrees(m.latitude)) : nlohmann::json(nullptr);
  j["longitude"] = position ? nlohmann::json(degrees(m.longitude)) : nlohmann::json(nullptr);
  j["device"] = report.opened && m.device != kNoDeviceText ? nlohmann::json(asUtf8(m.device))
                                                           : nlohmann::json(nullptr);
  j["expansion"] = report.opened ? nlohmann::json(m.expansionFactor) : nlohmann::json(nullptr);
  j["expansionSource"] = report.opened ? nlohmann::json(expansionSourceName(m.expansionSource))
                                       : nlohmann::json(nullptr);
  return j;
}

void addRecordingSummaryFields(nlohmann::json& entries,
                               const std::vector<BatchRecordingReport>& recordings) {
  // Entries with a "path" are matched by it; others by their name.
  std::map<std::string, const BatchRecordingReport*> byName;
  std::map<std::string, const BatchRecordingReport*> byPath;
  for (const BatchRecordingReport& r : recordings) {
    byName[recordingFileName(r.path)] = &r;
    byPath[r.path] = &r;
  }
  for (nlohmann::json& entry : entries) {
    if (!entry.is_object()) continue;
    const BatchRecordingReport* report = nullptr;
    std::string bytes;
    if (nameFieldBytes(entry, "path", &bytes)) {
      const auto found = byPath.find(bytes);
      if (found != byPath.end()) report = found->second;
    } else if (nameFieldBytes(entry, "name", &bytes)) {
      const auto found = byName.find(bytes);
      if (found != byName.end()) report = found->second;
    } else {
      continue;
    }
    const nlohmann::json fields =
        report != nullptr ? recordingSummaryFields(*report)
                          : recordingSummaryFields(BatchRecordingReport{});
    for (const auto& item : fields.items()) entry[item.key()] = item.value();
  }
}

}  // namespace quilve
