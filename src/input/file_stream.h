#pragma once
// A stdio stream on a file named in UTF-8, for files read or written whole
// (lists of paths, texts) where no check of the file's kind is wanted: a
// FIFO or a process's output given as a file name works as well.
#include <cstdio>
#include <string>

namespace quilve {

// fopen with a UTF-8 name; every stream is binary (no line-end
// translation), whether or not `mode` says "b". Null with errno set on
// failure.
std::FILE* openFileStream(const std::string& path, const char* mode);

}  // namespace quilve
