#pragma once
// What quilve-scan says about a command line it cannot take: each problem
// on one line after "quilve-scan:", an unknown option with the known one it
// is nearest to, and number ranges as the manual states them.
#include <string>
#include <vector>

namespace CLI {
class App;
class ParseError;
class Validator;
}  // namespace CLI

namespace quilve {

// The option of `known` ("--output", "-o", ...) nearest to `given` by edit
// distance (a swap of neighbours counts once), when it is near enough to be
// a slip of the keys; else empty. A value after "=" is not compared.
std::string nearestOption(const std::string& given, const std::vector<std::string>& known);

// The names of every option of `app`, "--long" and "-s".
std::vector<std::string> optionNames(const CLI::App& app);

// Prints the error `e` of parsing `app`'s command line on standard error,
// prefixed with "quilve-scan:", with a "did you mean" line for an unknown
// option near a known one. Returns the exit status (2).
int reportParseError(const CLI::App& app, const CLI::ParseError& e);

// An integer of at least `least`; a value below it is refused as "N is not
// <least> or more", the range the manual gives.
CLI::Validator atLeast(int least);

}  // namespace quilve
