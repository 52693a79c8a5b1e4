// The recycle bin through the shell's file operation: undo allowed (the
// file goes to the bin rather than away), and neither a question nor a
// progress window nor an error box, since the operation timer runs with
// nobody watching.
#include "output/recycle.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "input/wide_path.h"
#include "settings/system_message.h"

namespace quilve {
namespace {

// The shell's file operation still answers with some codes of its own
// from before Win32 errors; the rest are Win32 errors.
std::string operationText(int code) {
  switch (code) {
    case 0x71: return "the source and the target are the same file";
    case 0x72: return "more than one source for one target";
    case 0x73: return "the target is on another drive";
    case 0x74: return "the source is the root of a drive";
    case 0x75: return "the operation was cancelled";
    case 0x76: return "the target is a folder below the source";
    case 0x78: return "access denied";
    case 0x79: return "the path is too long";
    case 0x7A: return "more than one target";
    case 0x7C: return "the path is not valid";
    case 0x7D: return "the source and the target are of different kinds";
    case 0x7E: return "the target already exists as a folder";
    case 0x80: return "the target already exists";
    case 0x81: return "the target name is too long";
    case 0x82: return "the source is a CD or DVD";
    case 0x83: return "the target is a CD or DVD";
    case 0x84: return "the source is a read-only medium";
    case 0x85: return "the target is a read-only medium";
    case 0x86: return "the medium is read-only";
    case 0x87: return "the target is a read-only medium";
    case 0x88: return "the file is too large for the target";
    case 0xB7: return "the path is longer than the shell allows";
    case 0x402: return "the path is not known";
    case 0x10000: return "an error on the target";
  }
  return systemMessage(static_cast<unsigned long>(code));
}

// The short (8.3) spelling of a system path, without the long-path
// prefix; empty when the volume keeps none.
std::wstring shortSpelling(const std::wstring& full) {
  const DWORD need = GetShortPathNameW(full.c_str(), nullptr, 0);
  if (need == 0) return {};
  std::vector<wchar_t> buffer(need + 1);
  const DWORD got = GetShortPathNameW(full.c_str(), buffer.data(), need + 1);
  if (got == 0 || got > need) return {};
  std::wstring spelling(buffer.data(), got);
  if (spelling.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + spelling.substr(8);
  if (spelling.compare(0, 4, L"\\\\?\\") == 0) return spelling.substr(4);
  return spelling;
}

// The plain path (the shell's file operation takes no "\\?\" prefix).
// Beyond the shell's 260 characters the folders are given in their short
// (8.3) spelling where the volume keeps one, the file keeping its name (the
// name it is restored under), and failing that the file too; empty when
// there is no spelling the shell can take.
std::wstring shellPath(const std::string& path) {
  const std::wstring plain = plainSystemPath(path);
  if (plain.empty() || plain.size() < MAX_PATH) return plain;
  const std::wstring full = systemPath(path);
  const std::size_t slash = full.find_last_of(L'\\');
  if (slash != std::wstring::npos) {
    const std::wstring folder = shortSpelling(full.substr(0, slash));
    const std::wstring named = folder.empty() ? folder : folder + full.substr(slash);
    if (!named.empty() && named.size() < MAX_PATH) return named;
  }
  const std::wstring spelling = shortSpelling(full);
  return spelling.size() < MAX_PATH ? spelling : std::wstring();
}

// The root of the volume holding `path` ("C:\", "\\server\share\").
std::wstring volumeRoot(const std::wstring& path) {
  std::vector<wchar_t> root(path.size() + 2);
  if (!GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
  return std::wstring(root.data());
}

}  // namespace

bool moveToRecycleBin(const std::string& path, std::string* error) {
  const std::wstring from = shellPath(path);
  if (from.empty()) {
    *error = path + ": cannot be moved to the recycle bin: the path is longer than the shell takes";
    return false;
  }
  // Where a drive has no recycle bin (a network share, a memory card or
  // other removable drive, an optical drive, a RAM disk) the shell would
  // delete the file for good instead, without a word: such a file stays
  // where it is.
  const std::wstring root = volumeRoot(from);
  if (!root.empty()) {
    switch (GetDriveTypeW(root.c_str())) {
      case DRIVE_REMOTE:
      case DRIVE_REMOVABLE:
      case DRIVE_CDROM:
      case DRIVE_RAMDISK:
        *error = path + ": cannot be moved to the recycle bin: its drive has none (a network, "
                        "removable or optical drive), and the file is not deleted for good";
        return false;
      default:
        break;
    }
  }
  // A list of names, each ending in a NUL, the list in another.
  std::wstring list = from;
  list.push_back(L'\0');
  list.push_back(L'\0');
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = list.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI |
              FOF_NOCONFIRMMKDIR;
  const int code = SHFileOperationW(&op);
  if (code != 0) {
    *error = path + ": cannot be moved to the recycle bin: " + operationText(code);
    return false;
  }
  if (op.fAnyOperationsAborted) {
    *error = path + ": cannot be moved to the recycle bin: the operation was cancelled";
    return false;
  }
  // Said to be done: the name must be gone.
  if (GetFileAttributesW(systemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
    *error = path + ": cannot be moved to the recycle bin: it is still there";
    return false;
  }
  return true;
}

}  // namespace quilve
