// SPDX-License-Identifier: MIT
// Copyright (c) 2026 the QUILVE developers
#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "records/sha256.h"

namespace quilve::detail {

// The system's cryptography provider; a hash it could not make gives an
// empty digest, which matches no file's.
struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
};

Sha256::Sha256() : state_(new State) {
  if (BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
    state_->algorithm = nullptr;
    return;
  }
  if (BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0) != 0) state_->hash = nullptr;
}

Sha256::~Sha256() {
  if (state_->hash) BCryptDestroyHash(state_->hash);
  if (state_->algorithm) BCryptCloseAlgorithmProvider(state_->algorithm, 0);
  delete state_;
}

void Sha256::add(std::string_view b) {
  if (!state_->hash) return;
  // In pieces that the call's 32-bit length holds.
  while (!b.empty()) {
    const ULONG n = static_cast<ULONG>(std::min<std::size_t>(b.size(), 1u << 30));
    BCryptHashData(state_->hash, reinterpret_cast<PUCHAR>(const_cast<char*>(b.data())), n, 0);
    b.remove_prefix(n);
  }
}

std::string Sha256::digest() {
  std::array<std::uint8_t, 32> d{};
  if (!state_->hash || BCryptFinishHash(state_->hash, d.data(), static_cast<ULONG>(d.size()), 0) != 0) return {};
  return std::string(reinterpret_cast<const char*>(d.data()), d.size());
}

}  // namespace quilve::detail
