#include "cli/option_errors.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

#include "output/name_text.h"

namespace quilve {

namespace {

// Optimal string alignment distance: insertions, deletions, substitutions
// and swaps of neighbours, one each.
std::size_t editDistance(const std::string& a, const std::string& b) {
  const std::size_t n = a.size();
  const std::size_t m = b.size();
  std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
  for (std::size_t i = 0; i <= n; ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= m; ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= n; ++i) {
    for (std::size_t j = 1; j <= m; ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[n][m];
}

std::string withoutDashes(const std::string& s) {
  std::size_t from = 0;
  while (from < s.size() && from < 2 && s[from] == '-') ++from;
  return s.substr(from);
}

}  // namespace

std::string nearestOption(const std::string& given, const std::vector<std::string>& known) {
  // Commands lines are short; an argument as long as a path is no option.
  if (given.size() > 64) return {};
  const std::string word = withoutDashes(given.substr(0, given.find('=')));
  if (word.empty()) return {};
  std::string best;
  std::size_t bestDistance = std::string::npos;
  for (const std::string& option : known) {
    const std::string name = withoutDashes(option);
    if (name.size() < 2) continue;  // a single letter is near everything short
    const std::size_t d = editDistance(word, name);
    if (d < bestDistance) {
      bestDistance = d;
      best = option;
    }
  }
  // A slip of the keys: one edit in a short name, up to a third of a long one.
  const std::size_t allowed = std::max<std::size_t>(1, std::min<std::size_t>(3, word.size() / 3));
  return bestDistance <= allowed ? best : std::string();
}

std::vector<std::string> optionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& l : option->get_lnames()) names.push_back("--" + l);
    for (const std::string& s : option->get_snames()) names.push_back("-" + s);
  }
  return names;
}

int reportParseError(const CLI::App& app, const CLI::ParseError& e) {
  const std::vector<std::string> known = optionNames(app);
  bool named = false;
  if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
    // Each argument not taken on its own line, an unknown option with the
    // option it is nearest to.
    for (const std::string& extra : app.remaining()) {
      if (extra.empty() || extra[0] != '-') {
        std::fprintf(stderr, "quilve-scan: %s: unexpected argument\n", messageText(extra).c_str());
      } else {
        const std::string near = nearestOption(extra, known);
        std::fprintf(stderr, "quilve-scan: %s: unknown option%s%s%s\n", messageText(extra).c_str(),
                     near.empty() ? "" : "; did you mean ", near.c_str(), near.empty() ? "" : "?");
      }
      named = true;
    }
  }
  if (!named) std::fprintf(stderr, "quilve-scan: %s\n", messageText(e.what()).c_str());
  std::fprintf(stderr, "Run with --help for more information.\n");
  return 2;
}

CLI::Validator atLeast(int least) {
  return CLI::Validator(
      [least](std::string& text) -> std::string {
        long long value = 0;
        std::size_t used = 0;
        try {
          value = std::stoll(text, &used);
        } catch (const std::exception&) {
          used = 0;
        }
        if (used == 0 || used != text.size()) return text + " is not a whole number";
        if (value < least) return text + " is not " + std::to_string(least) + " or more";
        return {};
      },
      std::to_string(least) + " or more");
}

}  // namespace quilve
