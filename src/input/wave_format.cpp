#include "input/wave_format.h"

#include "input/sample_format.h"

namespace quilve {

std::string unsupportedFormatReason(const WaveFormat& format) {
  return sampleFormatOf(format, nullptr);
}

}  // namespace quilve
