#include <glib.h>

#include <array>
#include <cstdint>

#include "records/sha256.h"

namespace quilve::detail {

struct Sha256::State {
  GChecksum* sum = g_checksum_new(G_CHECKSUM_SHA256);
};

Sha256::Sha256() : state_(new State) {}

Sha256::~Sha256() {
  g_checksum_free(state_->sum);
  delete state_;
}

void Sha256::add(std::string_view b) {
  g_checksum_update(state_->sum, reinterpret_cast<const guchar*>(b.data()), static_cast<gssize>(b.size()));
}

std::string Sha256::digest() {
  std::array<std::uint8_t, 32> d{};
  gsize n = d.size();
  g_checksum_get_digest(state_->sum, d.data(), &n);
  return std::string(reinterpret_cast<const char*>(d.data()), n);
}

}  // namespace quilve::detail
