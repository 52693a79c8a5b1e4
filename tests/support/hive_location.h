#pragma once
// Where a test's settings hive lives: a file in the test's folder, or on
// Windows a key of the test's own under HKEY_CURRENT_USER (the hive there
// is the registry), removed with everything it holds afterwards.
#include <string>

#include "support/temp_dir.h"

namespace quilve::test {

class HiveLocation {
 public:
  explicit HiveLocation(const TempDir& dir);
  ~HiveLocation();
  HiveLocation(const HiveLocation&) = delete;
  HiveLocation& operator=(const HiveLocation&) = delete;

  // What RegistryHive and Application take.
  const std::string& hive() const { return where_; }

  // A hive beside this one that no save can write: below a file where a
  // folder should be, or on Windows a key name longer than the registry
  // takes.
  std::string unwritable() const;

 private:
  std::string where_;
  std::string folder_;
};

}  // namespace quilve::test
