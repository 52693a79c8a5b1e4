#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "support/run_program.h"

extern char** environ;

namespace quilve::test {

namespace {

// The program file for args[0]: a name without a slash is looked up on PATH.
std::string programFile(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (std::size_t at = 0; at <= dirs.size();) {
    std::size_t colon = dirs.find(':', at);
    if (colon == std::string::npos) colon = dirs.size();
    const std::string candidate = (colon > at ? dirs.substr(at, colon - at) : ".") + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    at = colon + 1;
  }
  return name;
}

}  // namespace

ProgramRun run(const Command& command) {
  ProgramRun r;
  if (command.args.empty()) return r;
  // Everything the child needs is made before the fork: only system calls
  // are made between fork and exec.
  const std::string file = programFile(command.args[0]);
  std::vector<char*> argv;
  for (const std::string& a : command.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : command.environment) replaced |= entry.rfind(name + "=", 0) == 0;
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [name, value] : command.environment) env.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return r;
  if (::pipe2(err, O_CLOEXEC) != 0) {
    ::close(out[0]);
    ::close(out[1]);
    return r;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    if (in >= 0) ::dup2(in, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    if (!command.workingFolder.empty() && ::chdir(command.workingFolder.c_str()) != 0) ::_exit(126);
    ::execve(file.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  if (pid < 0) {
    ::close(out[0]);
    ::close(err[0]);
    return r;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(command.limitSeconds);
  bool killed = false;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* into[2] = {&r.out, &r.err};
  int open = 2;
  while (open > 0) {
    int wait = -1;
    if (command.limitSeconds > 0 && !killed) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      wait = static_cast<int>(std::max<std::int64_t>(0, left.count()));
    }
    const int ready = ::poll(fds, 2, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      ::kill(pid, SIGKILL);
      killed = true;
      continue;
    }
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      const ssize_t n = ::read(fds[k].fd, buf, sizeof buf);
      if (n > 0) {
        into[k]->append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[k].fd);
        fds[k].fd = -1;
        --open;
      }
    }
  }
  int st = 0;
  while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(st)) {
    r.status = WEXITSTATUS(st);
  } else if (killed && WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL) {
    r.status = 137;  // as timeout(1) reports it
  }
  return r;
}

ProgramRun runProgram(const std::string& commandLine, const TempDir& work) {
  const std::string err = work.file("stderr.txt");
  const std::string cmd = commandLine + " 2>" + err;
  ProgramRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  std::ifstream in(err);
  r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return r;
}

ProgramRun runIn(const TempDir& dir, const std::string& program, const std::string& args, int limitSeconds) {
  return runProgram("cd '" + dir.path().string() + "' && timeout -s KILL " + std::to_string(limitSeconds) + " " +
                        program + " " + args,
                    dir);
}

}  // namespace quilve::test
