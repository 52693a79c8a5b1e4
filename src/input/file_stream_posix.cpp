#include "input/file_stream.h"

namespace quilve {

std::FILE* openFileStream(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

}  // namespace quilve
