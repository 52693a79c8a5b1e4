// The outcome file reader on arbitrary bytes: whatever it accepts encodes
// and decodes back to the same bytes, and nothing it reads leaves the input.
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "records/outcome_file.h"
#include "records/subfolder.h"

using namespace quilve;
using quilve::fuzz::expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::istringstream in(bytes);
  OutcomeFileReader reader(in, size);
  if (reader.readHeader()) {
    const OutcomeFileHeader& h = reader.header();
    expect(h.shardIndex < h.shardCount, "a header with an impossible shard was accepted");
    expect(h.sliceFirst + h.sliceCount <= h.listLength, "a slice past the list was accepted");
    expect(h.workingFolder.size() < size, "a working folder longer than the file was accepted");
    RecordingOutcome outcome;
    std::uint64_t records = 0;
    while (reader.next(&outcome)) {
      ++records;
      expect(plainSubfolder(outcome.subfolder), "a branch leading out of the output folders was accepted");
      for (const AcceptedCall& c : outcome.calls) {
        expect(c.trace.endPoint >= 0 && c.trace.endPoint <= kTracePoints, "trace points out of range");
      }
      const std::string again = encodeOutcome(outcome);
      RecordingOutcome reread;
      expect(decodeOutcome(again, &reread), "an accepted record does not decode after encoding");
      expect(encodeOutcome(reread) == again, "a record changes in a round trip");
    }
    if (reader.error().empty()) expect(records == h.sliceCount, "the file ended early without an error");
  }
  // The record decoder on its own, as the file carries it.
  RecordingOutcome direct;
  if (decodeOutcome(std::string_view(bytes), &direct)) {
    expect(plainSubfolder(direct.subfolder), "a branch leading out of the output folders was decoded");
    expect(encodeOutcome(direct).size() == size, "a decoded record encodes to another length");
  }
  return 0;
}
