#include "support/run_program.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quilve::test {

namespace {

struct Token {
  std::string text;
  bool op = false;  // an operator of the shell, not a word
};

// What an unquoted backslash escapes.
constexpr char kSpecial[] = " \t\n'\"\\$`|&;<>()*?[]#~=";

bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Splits `line` into words and the few operators understood, as the shell
// would; false for what needs a real shell (pipes, lists, expansions, globs).
bool tokenize(const std::string& line, std::vector<Token>* tokens, std::string* why) {
  std::string word;
  bool inWord = false;
  auto endWord = [&] {
    if (inWord) tokens->push_back({word, false});
    word.clear();
    inWord = false;
  };
  auto refuse = [&](const std::string& what) {
    *why = "needs a POSIX shell (" + what + "): " + line;
    return false;
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      endWord();
    } else if (c == '\'') {
      const std::size_t end = line.find('\'', i + 1);
      if (end == std::string::npos) return refuse("an unclosed quote");
      word += line.substr(i + 1, end - i - 1);
      inWord = true;
      i = end;
    } else if (c == '"') {
      inWord = true;
      for (++i;; ++i) {
        if (i >= line.size()) return refuse("an unclosed quote");
        const char d = line[i];
        if (d == '"') break;
        if (d == '$' || d == '`') return refuse("an expansion");
        if (d == '\\' && i + 1 < line.size() &&
            (line[i + 1] == '"' || line[i + 1] == '\\' || line[i + 1] == '$' || line[i + 1] == '`')) {
          word += line[++i];
        } else {
          word += d;
        }
      }
    } else if (c == '\\') {
      // An escape before what the shell treats specially; otherwise a
      // character of its own, as in a Windows path (C:\Users\x).
      if (i + 1 < line.size() && std::strchr(kSpecial, line[i + 1])) ++i;
      word += line[i];
      inWord = true;
    } else if (c == '&' && i + 1 < line.size() && line[i + 1] == '&') {
      endWord();
      tokens->push_back({"&&", true});
      ++i;
    } else if (c == '(' && !inWord) {
      tokens->push_back({"(", true});
    } else if (c == ')') {
      endWord();
      tokens->push_back({")", true});
    } else if (c == '>' || (c == '2' && !inWord && i + 1 < line.size() && line[i + 1] == '>')) {
      endWord();
      std::string op = c == '2' ? "2>" : ">";
      i += op.size() - 1;
      if (line.compare(i + 1, 2, "&1") == 0) {
        op += "&1";
        i += 2;
      }
      tokens->push_back({op, true});
    } else if (c == '|' && !(i + 1 < line.size() && line[i + 1] == '|')) {
      endWord();
      tokens->push_back({"|", true});
    } else if (c == '<' || c == '|' || c == ';' || c == '&' || c == '$' || c == '`' || c == '*' ||
               c == '?' || c == '[' || c == '(' || c == ')' || (c == '~' && !inWord)) {
      return refuse(std::string("'") + c + "'");
    } else {
      word += c;
      inWord = true;
    }
  }
  endWord();
  return true;
}

// What printf makes of a format without conversions: \n, \t, \\ and
// octal escapes; false for anything else.
bool printfText(const std::string& format, std::string* out) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%') return false;
    if (format[i] != '\\' || i + 1 == format.size()) {
      *out += format[i];
      continue;
    }
    const char e = format[++i];
    if (e == 'n') {
      *out += '\n';
    } else if (e == 't') {
      *out += '\t';
    } else if (e == '\\') {
      *out += '\\';
    } else if (e >= '0' && e <= '7') {
      int value = 0;
      for (int n = 0; n < 3 && i < format.size() && format[i] >= '0' && format[i] <= '7'; ++n, ++i)
        value = value * 8 + (format[i] - '0');
      --i;
      *out += static_cast<char>(value);
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

bool parseCommandLine(const std::string& line, Command* command, std::string* stderrFile, std::string* why) {
  std::vector<Token> t;
  if (!tokenize(line, &t, why)) return false;
  std::size_t i = 0, end = t.size();
  if (end >= 2 && t[0].op && t[0].text == "(" && t[end - 1].op && t[end - 1].text == ")") {
    ++i;
    --end;
  }
  *command = Command{};
  stderrFile->clear();
  auto refuse = [&](const std::string& what) {
    *why = "needs a POSIX shell (" + what + "): " + line;
    return false;
  };
  if (end - i >= 3 && !t[i].op && t[i].text == "cd" && !t[i + 1].op && t[i + 2].op && t[i + 2].text == "&&") {
    command->workingFolder = t[i + 1].text;
    i += 3;
  }
  if (end - i >= 3 && !t[i].op && t[i].text == "printf" && !t[i + 1].op && t[i + 2].op && t[i + 2].text == "|") {
    if (!printfText(t[i + 1].text, &command->input)) return refuse("a printf format");
    i += 3;
  }
  if (end - i >= 2 && !t[i].op && t[i].text == "timeout") {
    std::size_t at = i + 1;
    if (end - at >= 2 && !t[at].op && t[at].text == "-s" && !t[at + 1].op && t[at + 1].text == "KILL") at += 2;
    if (at < end && !t[at].op && !t[at].text.empty() &&
        std::all_of(t[at].text.begin(), t[at].text.end(), [](char d) { return d >= '0' && d <= '9'; })) {
      command->limitSeconds = std::stoi(t[at].text);
      i = at + 1;
    }
  }
  for (; i < end && !t[i].op && command->args.empty(); ++i) {
    const std::string& w = t[i].text;
    const std::size_t eq = w.find('=');
    if (eq != std::string::npos && eq > 0 && isNameStart(w[0]) &&
        std::all_of(w.begin() + 1, w.begin() + static_cast<std::ptrdiff_t>(eq), isNameChar)) {
      command->environment.emplace_back(w.substr(0, eq), w.substr(eq + 1));
    } else if (w == "exec") {
      continue;
    } else {
      command->args.push_back(w);
    }
  }
  for (; i < end; ++i) {
    if (!t[i].op) {
      command->args.push_back(t[i].text);
      continue;
    }
    const std::string& op = t[i].text;
    if (op == ">" || op == "2>") {
      if (i + 1 >= end || t[i + 1].op) return refuse("a redirection without a file");
      const std::string& file = t[++i].text;
      if (op == "2>") {
        *stderrFile = file;
      } else if (file != "/dev/null") {
        return refuse("standard output to a file");
      }
    } else {
      return refuse("'" + op + "'");
    }
  }
  if (command->args.empty()) return refuse("no program");
  return true;
}

std::string windowsCommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& a : args) {
    if (!line.empty()) line += ' ';
    if (!a.empty() && a.find_first_of(" \t\n\v\"") == std::string::npos) {
      line += a;
      continue;
    }
    // Backslashes are literal except before a quote: there each one is
    // doubled, and the quote itself escaped.
    line += '"';
    std::size_t backslashes = 0;
    for (const char c : a) {
      if (c == '\\') {
        ++backslashes;
      } else if (c == '"') {
        line.append(2 * backslashes + 1, '\\');
        line += '"';
        backslashes = 0;
      } else {
        line.append(backslashes, '\\');
        line += c;
        backslashes = 0;
      }
    }
    line.append(2 * backslashes, '\\');
    line += '"';
  }
  return line;
}

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace quilve::test
