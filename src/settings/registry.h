#pragma once
// The settings registry: keys by path with typed values (REG_DWORD, REG_SZ),
// held in memory while the program runs. Where it is kept depends on the
// system: on Windows in the current user's registry (HKEY_CURRENT_USER);
// elsewhere in a hive of our own, one text file in the regedit export style
// written atomically, so that a crash or a full disk never leaves half a
// hive.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quilve {

class Reporter;

enum class RegType : std::uint32_t { None = 0, String = 1, Dword = 4 };

// Results of value queries, as the Windows registry reports them.
enum class RegResult { Success, FileNotFound, MoreData, InvalidParameter };

struct RegValue {
  RegType type = RegType::None;
  std::uint32_t dword = 0;
  std::string text;  // REG_SZ without its terminator
};

class RegistryHive {
 public:
  class Key {
   public:
    // Copies the value into `data` (at most *size bytes; REG_SZ with its
    // terminator) and sets *size to the value's length. MoreData when the
    // buffer is too small.
    RegResult query(const std::string& name, RegType* type, void* data, std::uint32_t* size) const;
    void setDword(const std::string& name, std::uint32_t value);
    void setString(const std::string& name, const std::string& value);
    const std::vector<std::string>& subkeyNames() const { return subkeyOrder_; }
    std::vector<std::string> valueNames() const;
    const RegValue* value(const std::string& name) const;

   private:
    friend class RegistryHive;
    std::vector<std::pair<std::string, RegValue>> values_;
    std::vector<std::string> subkeyOrder_;
  };

  // An empty hive backed by `file` (nothing is read yet). On Windows `file`
  // names the key under HKEY_CURRENT_USER that holds the hive's keys; empty
  // for HKEY_CURRENT_USER itself.
  explicit RegistryHive(std::string file);

  // The default hive file: $XDG_CONFIG_HOME/quilve/registry.reg, else
  // ~/.config/quilve/registry.reg. On Windows empty: the user's own keys.
  static std::string defaultFile();

  // Reads the file. A missing file gives an empty hive. A file that cannot
  // be read or parsed is renamed aside (its name plus ".corrupt") with a
  // trace message, and the hive starts empty. Returns false in that case.
  // On Windows the keys are read from the registry as they are opened; this
  // only forgets what was read before, and never fails.
  bool load(Reporter* reporter);

  // Writes the whole hive: a temporary file beside it, flushed and synced,
  // then renamed over the old one. False (with `error`) when any step fails;
  // the previous file is then left as it was. On Windows every key is
  // created and every value set in the registry; the first failure stops it
  // with the system's message.
  bool save(std::string* error) const;

  // Opens the key at `path` ("SOFTWARE\\A\\B", separators "\\"), creating it
  // and its parents when `create` is set. Null when it does not exist.
  // Created keys are stored by save().
  Key* open(const std::string& path, bool create);

  const std::string& file() const { return file_; }
  // Where the hive is kept, for messages: the file, or on Windows the
  // registry key.
  std::string where() const;

  // Parses hive text; false on a syntax error (with the line in `error`).
  bool parse(const std::string& text, std::string* error);
  // The hive as text.
  std::string serialize() const;

 private:
  std::string file_;
  // Keys by their full path, compared case-insensitively as on Windows.
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::map<std::string, std::unique_ptr<Key>, NoCase> keys_;
  Key* ensure(const std::string& path);
  // Reads the key at `path` from where the hive is kept, when it is kept
  // key by key (null otherwise, or when it does not exist there).
  Key* fetch(const std::string& path);
};

}  // namespace quilve
