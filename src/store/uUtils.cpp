#include "store/uUtils.h"

#include <windows.h>

#include "base/uUnicode.h"
#include "store/uWinFile.h"

namespace mvn {

namespace {

std::string GCustomDataDir;

bool EndsWithSeparator(const std::string& APath) {
  return !APath.empty() && (APath.back() == '\\' || APath.back() == '/');
}

std::string WithTrailingSeparator(std::string APath) {
  if (!EndsWithSeparator(APath)) APath += '\\';
  return APath;
}

}  // namespace

std::string ModuleDir() {
  HMODULE Module = nullptr;
  // The address of this function identifies the DLL (or test program) that
  // holds it, never the host's executable.
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&ModuleDir), &Module))
    return {};
  std::wstring Buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Len = GetModuleFileNameW(Module, Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (Len == 0) return {};
    if (Len < Buffer.size()) {
      Buffer.resize(Len);
      break;
    }
    Buffer.resize(Buffer.size() * 2);
  }
  const size_t Slash = Buffer.find_last_of(L"\\/");
  Buffer.resize(Slash == std::wstring::npos ? 0 : Slash + 1);
  return WideToUtf8(Buffer);
}

std::string SchemesIniPath() { return ModuleDir() + "schemes.ini"; }
std::string SettingsIniPath() { return ModuleDir() + "settings.ini"; }

void SetCustomDataDir(const std::string& ADir) { GCustomDataDir = ADir; }
const std::string& CustomDataDir() { return GCustomDataDir; }

std::string DataDir() {
  if (!GCustomDataDir.empty() && DirectoryExistsU(GCustomDataDir)) return WithTrailingSeparator(GCustomDataDir);
  const std::string Dir = ModuleDir() + "Data\\";
  if (!DirectoryExistsU(Dir)) ForceDirectoriesU(Dir);
  return Dir;
}

}  // namespace mvn
