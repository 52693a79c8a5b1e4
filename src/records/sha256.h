#pragma once
// A running SHA-256 of the bytes given, for the checksums of outcome files.
#include <string>
#include <string_view>

namespace quilve::detail {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void add(std::string_view bytes);
  // The 32 bytes of the digest; asked for once, after the last add.
  std::string digest();

 private:
  struct State;
  State* state_;
};

}  // namespace quilve::detail
