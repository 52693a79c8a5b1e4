#pragma once
// The older vendor metadata chunk "wamd" (entries of a 16-bit identifier, a
// 32-bit length and that many bytes): its time stamp and its position, read
// into the same fields as GUANO for recordings that carry no GUANO.
#include <cstddef>
#include <cstdint>

#include "input/guano.h"

namespace quilve {

// Fills the time stamp (entry 5) and the position (entry 6,
// "WGS84,lat,N|S,lon,E|W[,alt]"). An entry that cannot be read is
// noted in out.problems; a cut entry ends the walk.
GuanoFields parseWamd(const std::uint8_t* data, std::size_t size);

}  // namespace quilve
