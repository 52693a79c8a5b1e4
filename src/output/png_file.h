#pragma once
// Writes a picture as a PNG file (8-bit RGB, no time stamp, so equal
// pictures give equal files). The file appears complete or not at all: it
// is written under a temporary name in the same directory and renamed.
#include <string>

#include "output/raster.h"

namespace quilve {

// False with `error` saying why (the temporary file is removed then).
bool writePngFile(const std::string& path, const Raster& raster, std::string* error);

}  // namespace quilve
