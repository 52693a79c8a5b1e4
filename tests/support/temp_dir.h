#pragma once
// A fresh directory under the system's temporary folder, removed afterwards.
#include <filesystem>
#include <string>

namespace quilve::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // `name` (UTF-8, may hold '/') inside the folder, as a UTF-8 path.
  std::string file(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// The folder of real recordings, or empty when it is absent.
std::string realDataDir();

// The whole contents of a file as text (empty when it cannot be read).
std::string fileText(const std::string& path);

}  // namespace quilve::test
