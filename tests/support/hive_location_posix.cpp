#include "support/hive_location.h"

namespace quilve::test {

HiveLocation::HiveLocation(const TempDir& dir) : where_(dir.file("registry.reg")) {}

// The file goes with the test's folder.
HiveLocation::~HiveLocation() = default;

}  // namespace quilve::test
