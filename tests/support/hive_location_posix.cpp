#include "support/hive_location.h"

#include "support/wav_writer.h"

namespace quilve::test {

HiveLocation::HiveLocation(const TempDir& dir) : where_(dir.file("registry.reg")), folder_(dir.path().string()) {}

// The file goes with the test's folder.
HiveLocation::~HiveLocation() = default;

std::string HiveLocation::unwritable() const {
  const std::string blocker = folder_ + "/blocker";
  writeFile(blocker, {'x'});
  return blocker + "/registry.reg";
}

}  // namespace quilve::test
