#include "support/platform.h"

#include <cstdlib>

namespace quilve::test {

TemporaryFolderAt::TemporaryFolderAt(const std::string& folder) {
  for (const std::string& name : temporaryFolderVariables()) {
    const char* was = std::getenv(name.c_str());
    saved_.emplace_back(name, was ? std::optional<std::string>(was) : std::nullopt);
    setEnvironment(name, folder);
  }
}

TemporaryFolderAt::~TemporaryFolderAt() {
  for (const auto& [name, was] : saved_) {
    if (was) {
      setEnvironment(name, *was);
    } else {
      unsetEnvironment(name);
    }
  }
}

}  // namespace quilve::test
