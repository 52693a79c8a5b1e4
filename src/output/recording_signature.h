#pragma once
// Whether a file holds a recording: no output ever replaces one. A
// recording starts with a RIFF form of type "WAVE", or with other RIFF forms
// (a "BSn0" header) ahead of the "WAVE" form, or with the WavPack block
// signature "wvpk".
#include <cstddef>
#include <string>

namespace quilve {

// Whether `bytes` (the first `size` bytes of a file) begin a recording: a
// "WAVE" or "BSn0" RIFF form, or other RIFF forms followed by one of those
// (as far as `size` reaches), or "wvpk".
bool startsLikeRecording(const unsigned char* bytes, std::size_t size);

// Whether the regular file `path` (followed through symbolic links) holds a
// recording. False when it does not exist or cannot be read.
bool holdsRecording(const std::string& path);

}  // namespace quilve
