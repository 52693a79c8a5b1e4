// The list reader of --from-file on arbitrary bytes, by lines and by NUL
// bytes: what it accepts holds no separator, no empty and no overlong
// entry, reads back the same when written out again, and a refused list
// leaves the paths as they were.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/path_list.h"
#include "fuzz_input.h"

using namespace quilve;
using quilve::fuzz::expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const bool nul : {false, true}) {
    std::vector<std::string> paths{"given"};
    std::string error;
    if (!parsePathList(bytes, nul, &paths, &error)) {
      expect(paths.size() == 1 && paths[0] == "given", "a refused list changed the paths");
      expect(!error.empty(), "a list was refused without a reason");
      continue;
    }
    expect(!paths.empty() && paths[0] == "given", "the paths given before the list were changed");
    std::string again;
    std::size_t taken = 0;
    for (std::size_t i = 1; i < paths.size(); ++i) {
      const std::string& p = paths[i];
      expect(!p.empty(), "an empty entry was taken");
      expect(p.size() <= kLongestListedPath, "an overlong entry was taken");
      expect(p.find(nul ? '\0' : '\n') == std::string::npos, "an entry holds its separator");
      if (!nul) expect(p.find('\0') == std::string::npos, "a line with a NUL byte was taken");
      taken += p.size();
      // By lines with "\r\n": the reader drops one "\r", so a name that
      // ends in one keeps it.
      again += p;
      again += nul ? std::string(1, '\0') : std::string("\r\n");
    }
    expect(taken <= size, "the entries hold more than the list");
    std::vector<std::string> reread;
    expect(parsePathList(again, nul, &reread, &error), "a list written from accepted entries is refused");
    expect(reread == std::vector<std::string>(paths.begin() + 1, paths.end()), "a list changes when written again");
  }
  return 0;
}
