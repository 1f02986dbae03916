// The user's options that survive a restart of the host, bound to
// settings.ini beside the add-in module.
#pragma once
#include <cstdint>
#include <string>

namespace mvn {

class TAppSettings {
 public:
  // Bound to SettingsIniPath; every field at its default, nothing read.
  TAppSettings();
  // Bound to another file (a second object, or a test's own folder).
  explicit TAppSettings(std::string AFilePath);

  const std::string& FilePath() const { return FFilePath; }

  // Reads the file over the current values: a missing key, or a value that
  // is not a number, keeps what the field held. MaxCells ends up at least 1
  // and TreeWidth at least 100 (a smaller one falls back to 220).
  void ReadFromIni();
  void Load() { ReadFromIni(); }
  // Rewrites the whole file from this object's values. On failure the old
  // file is kept as it was and the result is false.
  bool Save() const;

  bool CaseSensitive = false;
  bool TrimBeforeMatch = true;
  bool ShowSummary = true;
  bool ConfirmLarge = true;
  int64_t MaxCells = 20000;  // above this many cells a run asks first
  int32_t TreeWidth = 220;   // pixels, scheme picker's tree
  std::string DataDir;       // empty: the default data directory
  // Hotkey registration flags (1 Alt, 2 Ctrl, 4 Shift, 8 Win) and the
  // virtual key; 0 in either means no hotkey. Ctrl+Alt+R by default.
  int32_t HotKeyModifiers = 3;
  int32_t HotKeyVK = 82;

 private:
  std::string FFilePath;
};

}  // namespace mvn
