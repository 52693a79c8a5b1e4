#include <windows.h>

#include <atomic>

#include "input/wide_path.h"
#include "support/hive_location.h"

namespace quilve::test {

namespace {
constexpr const char* kParent = "Software\\QUILVE tests";

std::wstring wide(const std::string& text) {
  std::wstring w;
  utf8ToWide(text, &w);
  return w;
}
}  // namespace

HiveLocation::HiveLocation(const TempDir&) {
  static std::atomic<int> count{0};
  where_ = std::string(kParent) + "\\" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++count);
}

// Key names are at most 255 characters long.
std::string HiveLocation::unwritable() const { return where_ + "\\" + std::string(300, 'k'); }

HiveLocation::~HiveLocation() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, wide(where_).c_str());
  // Only when no other test's key is left under it.
  ::RegDeleteKeyW(HKEY_CURRENT_USER, wide(kParent).c_str());
}

}  // namespace quilve::test
