#include "settings/system_message.h"

#include <windows.h>

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
  // In UTF-8 (the settings library stands below the path conversions).
  const int bytes = wide.empty() ? 0
                                 : WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                                       static_cast<int>(wide.size()), nullptr, 0,
                                                       nullptr, nullptr);
  if (bytes <= 0) return "error " + std::to_string(code);
  std::string message(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &message[0], bytes,
                      nullptr, nullptr);
  return message;
}

std::string systemFailure(const std::string& path, unsigned long code) {
  return path + ": " + systemMessage(code);
}

}  // namespace quilve
