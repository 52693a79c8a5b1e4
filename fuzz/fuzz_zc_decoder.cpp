// The zero-crossing file decoder the tests read generated files back with,
// on arbitrary bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "support/zc_decoder.h"

using quilve::fuzz::expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  quilve::test::ZcFile file;
  std::string error;
  if (quilve::test::decodeZc(bytes, &file, &error)) {
    (void)file.header.device();
    (void)file.header.date();
    (void)file.header.comment();
    expect(file.intervals.size() <= size, "more intervals than bytes");
  } else {
    expect(!error.empty(), "a refused file gives no reason");
  }
  return 0;
}
