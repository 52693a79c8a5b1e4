#pragma once
// The file system calls an outcome file is written with: a new file under a
// temporary name, flushed to the disk, then renamed over the final name so
// that a reader finds either the old file or the whole new one. Each call
// leaves errno set when it fails.
#include <cstdio>
#include <string>

namespace quilve {

// This machine's host name and this process's id, which name the temporary
// file so that two writers never share one.
std::string outcomeHostName();
long outcomeProcessId();

// Creates (or truncates) `path` for writing bytes as they are given.
std::FILE* createOutcomeFile(const std::string& path);
// Writes what the stream holds and has the system put it on the disk.
bool flushOutcomeFile(std::FILE* file);
// Gives `from` the name `to`, replacing a file there in one step, and has
// the rename itself reach the disk.
bool replaceOutcomeFile(const std::string& from, const std::string& to);
bool removeOutcomeFile(const std::string& path);

}  // namespace quilve
