#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <map>
#include <thread>

#include "input/wide_path.h"
#include "support/run_program.h"

namespace quilve::test {

namespace {

std::wstring wide(const std::string& text) {
  std::wstring w;
  utf8ToWide(text, &w);
  return w;
}

// The environment block of this process with the command's settings
// replacing (case-blind, as Windows compares names) or adding to it,
// sorted as CreateProcess expects.
std::wstring environmentBlock(const Command& command) {
  struct Blind {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
      return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                    TRUE) == CSTR_LESS_THAN;
    }
  };
  std::map<std::wstring, std::wstring, Blind> vars;
  wchar_t* block = ::GetEnvironmentStringsW();
  for (const wchar_t* e = block; e && *e; e += std::wcslen(e) + 1) {
    const std::wstring entry = e;
    const std::size_t eq = entry.find(L'=', 1);  // names such as "=C:" start with '='
    if (eq == std::wstring::npos) continue;
    vars[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  if (block) ::FreeEnvironmentStringsW(block);
  for (const auto& [name, value] : command.environment) vars[wide(name)] = wide(value);
  std::wstring out;
  for (const auto& [name, value] : vars) out += name + L"=" + value + L'\0';
  out += L'\0';
  return out;
}

void drain(HANDLE pipe, std::string* into) {
  char buf[4096];
  DWORD n = 0;
  while (::ReadFile(pipe, buf, sizeof buf, &n, nullptr) && n > 0) into->append(buf, n);
  ::CloseHandle(pipe);
}

}  // namespace

ProgramRun run(const Command& command) {
  ProgramRun r;
  if (command.args.empty()) return r;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
  if (!::CreatePipe(&outRead, &outWrite, &inherit, 0)) return r;
  if (!::CreatePipe(&errRead, &errWrite, &inherit, 0)) {
    ::CloseHandle(outRead);
    ::CloseHandle(outWrite);
    return r;
  }
  // Only the child's ends are inherited.
  ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr);
  // Standard input: the command's text through a pipe, else NUL.
  HANDLE inRead = nullptr, inWrite = nullptr;
  if (!command.input.empty() && ::CreatePipe(&inRead, &inWrite, &inherit, 0)) {
    ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  }

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = inRead ? inRead : nul;
  si.hStdOutput = outWrite;
  si.hStdError = errWrite;
  std::wstring line = wide(windowsCommandLine(command.args));
  std::wstring env = environmentBlock(command);
  const std::wstring folder = command.workingFolder.empty() ? std::wstring() : plainSystemPath(command.workingFolder);
  // A program named by path is started from that path; a bare name is
  // looked up the way CreateProcess looks it up (with .exe added).
  std::wstring program;
  if (command.args[0].find_first_of("/\\") != std::string::npos) program = plainSystemPath(command.args[0]);
  PROCESS_INFORMATION pi{};
  const BOOL started = ::CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr,
                                        TRUE, CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, env.data(),
                                        folder.empty() ? nullptr : folder.c_str(), &si, &pi);
  const DWORD startError = started ? 0 : ::GetLastError();
  ::CloseHandle(outWrite);
  ::CloseHandle(errWrite);
  if (nul != INVALID_HANDLE_VALUE) ::CloseHandle(nul);
  if (inRead) ::CloseHandle(inRead);
  std::thread inWriter;
  if (inWrite) {
    inWriter = std::thread([inWrite, &command] {
      DWORD n = 0;
      ::WriteFile(inWrite, command.input.data(), static_cast<DWORD>(command.input.size()), &n, nullptr);
      ::CloseHandle(inWrite);
    });
  }
  if (!started) {
    if (inWriter.joinable()) inWriter.join();
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    r.err = "cannot start " + command.args[0] + ": error " + std::to_string(startError);
    return r;
  }
  std::thread outReader(drain, outRead, &r.out);
  std::thread errReader(drain, errRead, &r.err);
  const DWORD limit = command.limitSeconds > 0 ? static_cast<DWORD>(command.limitSeconds) * 1000 : INFINITE;
  if (::WaitForSingleObject(pi.hProcess, limit) == WAIT_TIMEOUT) {
    ::TerminateProcess(pi.hProcess, 137);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
  }
  outReader.join();
  errReader.join();
  if (inWriter.joinable()) inWriter.join();
  DWORD code = 0;
  if (::GetExitCodeProcess(pi.hProcess, &code)) r.status = static_cast<int>(code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return r;
}

ProgramRun runProgram(const std::string& commandLine, const TempDir&) {
  Command command;
  std::string errFile, why;
  if (!parseCommandLine(commandLine, &command, &errFile, &why)) {
    ProgramRun refused;
    refused.err = why;
    return refused;
  }
  ProgramRun r = run(command);
  if (!errFile.empty()) {
    if (errFile != "/dev/null") {
      std::ofstream(std::filesystem::u8path(errFile), std::ios::binary) << r.err;
    }
    r.err.clear();
  }
  return r;
}

ProgramRun runIn(const TempDir& dir, const std::string& program, const std::string& args, int limitSeconds) {
  Command command;
  std::string errFile, why;
  if (!parseCommandLine("'" + program + "' " + args, &command, &errFile, &why)) {
    ProgramRun refused;
    refused.err = why;
    return refused;
  }
  command.workingFolder = dir.path().u8string();
  command.limitSeconds = limitSeconds;
  ProgramRun r = run(command);
  if (!errFile.empty()) {
    if (errFile != "/dev/null") {
      std::ofstream(std::filesystem::u8path(errFile), std::ios::binary) << r.err;
    }
    r.err.clear();
  }
  return r;
}

}  // namespace quilve::test
