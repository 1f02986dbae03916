// Where the add-in keeps its files: beside the DLL, and the data directory.
#pragma once
#include <string>

namespace mvn {

// The directory of the module that holds this code, with a trailing backslash.
std::string ModuleDir();
std::string SchemesIniPath();
std::string SettingsIniPath();

// The user's data directory from the settings; empty for the default.
void SetCustomDataDir(const std::string& ADir);
const std::string& CustomDataDir();

// CustomDataDir when it names an existing folder, else ModuleDir + "Data",
// created when missing; always with a trailing backslash.
std::string DataDir();

}  // namespace mvn
