#include "store/uSettings.h"

#include <utility>

#include "store/uIniFile.h"
#include "store/uUtils.h"

namespace mvn {

namespace {

constexpr int32_t kMinTreeWidth = 100;
constexpr int32_t kDefaultTreeWidth = 220;

}  // namespace

TAppSettings::TAppSettings() : FFilePath(SettingsIniPath()) {}

TAppSettings::TAppSettings(std::string AFilePath) : FFilePath(std::move(AFilePath)) {}

void TAppSettings::ReadFromIni() {
  TWideIniFile Ini(FFilePath);
  Ini.Load();
  CaseSensitive = Ini.ReadBool("Options", "CaseSensitive", CaseSensitive);
  TrimBeforeMatch = Ini.ReadBool("Options", "TrimBeforeMatch", TrimBeforeMatch);
  ShowSummary = Ini.ReadBool("Options", "ShowSummary", ShowSummary);
  ConfirmLarge = Ini.ReadBool("Options", "ConfirmLarge", ConfirmLarge);
  MaxCells = Ini.ReadInt64("Options", "MaxCells", MaxCells);
  TreeWidth = Ini.ReadInteger("Layout", "TreeWidth", TreeWidth);
  DataDir = Ini.ReadString("Paths", "DataDir", DataDir);
  HotKeyModifiers = Ini.ReadInteger("HotKey", "Modifiers", HotKeyModifiers);
  HotKeyVK = Ini.ReadInteger("HotKey", "VK", HotKeyVK);

  if (MaxCells <= 0) MaxCells = 1;
  // A tree narrower than this hides the folder names; start over from the
  // default rather than from the edge.
  if (TreeWidth < kMinTreeWidth) TreeWidth = kDefaultTreeWidth;
}

bool TAppSettings::Save() const {
  TWideIniFile Ini(FFilePath);
  Ini.WriteBool("Options", "CaseSensitive", CaseSensitive);
  Ini.WriteBool("Options", "TrimBeforeMatch", TrimBeforeMatch);
  Ini.WriteBool("Options", "ShowSummary", ShowSummary);
  Ini.WriteBool("Options", "ConfirmLarge", ConfirmLarge);
  Ini.WriteInt64("Options", "MaxCells", MaxCells);
  Ini.WriteInteger("Layout", "TreeWidth", TreeWidth);
  Ini.WriteString("Paths", "DataDir", DataDir);
  Ini.WriteInteger("HotKey", "Modifiers", HotKeyModifiers);
  Ini.WriteInteger("HotKey", "VK", HotKeyVK);
  return Ini.UpdateFile();
}

}  // namespace mvn
