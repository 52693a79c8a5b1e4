#include "output/system_message.h"

#include <windows.h>

#include "input/wide_path.h"

namespace quilve {

std::string systemMessage(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = length > 0 && text ? std::wstring(text, length) : std::wstring();
  if (text) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' ||
                           wide.back() == L'.')) {
    wide.pop_back();
  }
  std::string message;
  if (wide.empty() || !wideToUtf8(wide, &message) || message.empty()) {
    return "error " + std::to_string(code);
  }
  return message;
}

std::string systemFailure(const std::string& path, unsigned long code) {
  return path + ": " + systemMessage(code);
}

}  // namespace quilve
