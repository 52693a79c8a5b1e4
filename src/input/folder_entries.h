#pragma once
// The names in a folder of recordings, or the system's reason why they
// cannot be had.
#include <string>
#include <vector>

namespace quilve {

// The names of every entry of `folder` whatever its kind ("." and ".." left
// out), in no particular order. False when the folder cannot be listed or
// its entries cannot be reached (no read or no search permission, vanished,
// not a folder); `why` is then the system's reason ("Permission denied",
// "No such file or directory", ...) and `names` is empty.
bool folderEntries(const std::string& folder, std::vector<std::string>* names, std::string* why);

}  // namespace quilve
