#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "settings/registry.h"
#include "settings/reporter.h"

// The hive kept in a file of its own, read whole and written whole.

namespace quilve {

namespace {

constexpr std::uintmax_t kMaxHiveBytes = 16u << 20;

}  // namespace

std::string RegistryHive::defaultFile() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = ".";
  }
  return base + "/quilve/registry.reg";
}

std::string RegistryHive::where() const { return file_; }

RegistryHive::Key* RegistryHive::fetch(const std::string&) { return nullptr; }

bool RegistryHive::load(Reporter* reporter) {
  keys_.clear();
  std::error_code ec;
  if (!std::filesystem::exists(file_, ec)) return true;
  std::string error;
  std::string text;
  const auto size = std::filesystem::file_size(file_, ec);
  if (ec || !std::filesystem::is_regular_file(file_, ec)) {
    error = "not a readable file";
  } else if (size > kMaxHiveBytes) {
    error = "larger than a registry hive can be";
  } else {
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    if (!in && !in.eof()) {
      error = "read error";
    } else {
      text = ss.str();
      if (text.find('\0') != std::string::npos) error = "holds NUL bytes";
    }
  }
  if (error.empty() && parse(text, &error)) return true;

  keys_.clear();
  const std::string aside = file_ + ".corrupt";
  std::filesystem::rename(file_, aside, ec);
  if (reporter) {
    reporter->trace("Registry hive " + file_ + " is unreadable (" + error + "); " +
                    (ec ? "it could not be moved aside" : "moved to " + aside) +
                    ", defaults are used\n");
  }
  return false;
}

bool RegistryHive::save(std::string* error) const {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  const std::filesystem::path target(file_);
  std::error_code ec;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  const std::string tmp = file_ + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return fail(tmp + ": " + std::strerror(errno));
  const std::string text = serialize();
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::string why = tmp + ": " + std::strerror(errno);
      ::close(fd);
      ::unlink(tmp.c_str());
      return fail(why);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    const std::string why = tmp + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(tmp.c_str());
    return fail(why);
  }
  if (::close(fd) != 0) {
    ::unlink(tmp.c_str());
    return fail(tmp + ": close failed");
  }
  if (std::rename(tmp.c_str(), file_.c_str()) != 0) {
    const std::string why = file_ + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return fail(why);
  }
  // Make the rename itself durable.
  const std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

}  // namespace quilve
