#pragma once
// Lists of recordings handed over in a file or on standard input
// (quilve-scan --from-file): one path a line, or paths each ended by a NUL
// byte for names that hold line ends. The list is outside input: every
// entry is checked, and a list that is not one is refused with the line
// (or entry) that is wrong, before anything is scanned.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quilve {

// The longest path an entry may hold (the system's own limit).
constexpr std::size_t kLongestListedPath = 4096;

// Splits `bytes` into paths, appended to `paths` in list order. By lines
// (`nul` false): a line ends at "\n", a "\r" before it is dropped (lists
// written on Windows), and empty lines are skipped; a NUL byte is refused
// (such a list wants --null). By NUL bytes: entries are taken exactly, line
// ends included; empty entries are skipped. A last entry without its end is
// taken as well. False with `error` naming the line or entry ("line 3: ...")
// when an entry is longer than kLongestListedPath; `paths` is then
// unchanged.
bool parsePathList(std::string_view bytes, bool nul, std::vector<std::string>* paths, std::string* error);

// Reads the list at `source` ("-" for standard input; a FIFO, as a shell's
// process substitution gives, is read too) and parses it. False with
// `error` set when it cannot be read ("cannot be read: " and the system's
// reason) or is no list (as parsePathList says).
bool readPathList(const std::string& source, bool nul, std::vector<std::string>* paths, std::string* error);

}  // namespace quilve
