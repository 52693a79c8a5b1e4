#pragma once
// Status codes of the recording readers: 0 for success, a negative code for
// failure. Callers test only the sign.
#include <cstdint>

namespace quilve {

using Status = std::int32_t;

constexpr Status kStatusOk = 0;
constexpr Status kStatusFail = static_cast<Status>(0x80004005u);            // E_FAIL
constexpr Status kStatusInvalidArg = static_cast<Status>(0x80070057u);      // E_INVALIDARG
constexpr Status kStatusNotInitialized = static_cast<Status>(0x800401F0u);  // CO_E_NOTINITIALIZED

inline bool failed(Status s) { return s < 0; }

}  // namespace quilve
