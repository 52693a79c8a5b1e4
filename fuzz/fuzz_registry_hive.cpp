// The registry hive reader on arbitrary text: the parse itself, the load of
// a hive file (which moves a bad file aside), and the written form of what
// was read, which must read back to the same hive.
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_input.h"
#include "settings/registry.h"
#include "settings/reporter.h"

using namespace quilve;
using quilve::fuzz::expect;

namespace {

class QuietReporter : public Reporter {
 public:
  void warning(const std::string&) override {}
  void trace(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  {
    RegistryHive hive(fuzz::scratchPath(".reg"));
    std::string error;
    // A hive file holding a NUL byte is refused by load() before it is
    // parsed, so the written form is compared only for text load() parses:
    // a REG_SZ value ends at its first NUL once written.
    const bool loadable = text.find('\0') == std::string::npos;
    if (!hive.parse(text, &error)) {
      expect(!error.empty(), "a refused hive gives no reason");
    } else if (loadable) {
      const std::string written = hive.serialize();
      RegistryHive again(fuzz::scratchPath(".reg"));
      std::string error2;
      expect(again.parse(written, &error2), "a written hive does not parse");
      expect(again.serialize() == written, "a written hive reads back different");
    }
  }
  {
    const std::string& path = fuzz::writeInput(data, size, ".reg");
    RegistryHive hive(path);
    QuietReporter reporter;
    if (!hive.load(&reporter)) {
      std::remove((path + ".corrupt").c_str());
    }
    std::uint32_t value = 0, length = sizeof value;
    RegType type = RegType::None;
    if (RegistryHive::Key* key = hive.open("SOFTWARE", false)) {
      for (const std::string& name : key->valueNames()) (void)key->query(name, &type, &value, &length);
    }
  }
  return 0;
}
