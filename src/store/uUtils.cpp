#include "store/uUtils.h"

#include <windows.h>

#include "base/uModule.h"
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
  // The module does not move while it is loaded; every trace line asks.
  static const std::string GDir = [] {
    std::wstring Name = ModuleFileName(ThisModule());
    const size_t Separator = Name.find_last_of(L"\\/:");
    Name.resize(Separator == std::wstring::npos ? 0 : Separator + 1);
    if (!Name.empty() && Name.back() == L':') Name += L'\\';
    return WideToUtf8(Name);
  }();
  return GDir;
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
