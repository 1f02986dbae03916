// The scheme record and the scheme list bound to schemes.ini.
#pragma once
#include <memory>
#include <string>
#include <vector>

namespace mvn {

enum TMatchMode { mmWhole = 0, mmPartial = 1 };

std::string MatchModeToStr(TMatchMode AMode);
TMatchMode StrToMatchMode(const std::string& AText);

// One named, reusable replacement. The record checks nothing itself.
struct TScheme {
  std::string Id;
  std::string Name;
  std::string Description;
  std::string CsvFile;  // bare file name inside the data directory
  bool HasHeader = true;
  int SourceColumn = 1;  // 1-based CSV columns
  int TargetColumn = 2;
  TMatchMode MatchMode = mmPartial;
  std::string Path;  // hierarchy levels separated by "\", empty at the top

  // DataDir followed directly by CsvFile.
  std::string CsvFullPath() const;
};

}  // namespace mvn
