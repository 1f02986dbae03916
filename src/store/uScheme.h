// The scheme record and the scheme list bound to schemes.ini.
#pragma once
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace mvn {

enum TMatchMode { mmWhole = 0, mmPartial = 1 };

// "partial" for mmPartial, "whole" otherwise.
std::string MatchModeToStr(TMatchMode AMode);
// mmPartial only for "partial" (trimmed, any ASCII case); mmWhole for
// anything else, the empty text included.
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

// The ordered list of schemes bound to schemes.ini: one section per scheme,
// named Sch0, Sch1 ... in list order. The list owns its schemes; references
// to them stay valid until they are deleted or the list is reloaded.
class TSchemeList {
 public:
  // Reads nothing; Load does.
  explicit TSchemeList(std::string AFilePath);
  TSchemeList(const TSchemeList&) = delete;
  TSchemeList& operator=(const TSchemeList&) = delete;

  const std::string& FilePath() const { return FFilePath; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // 0 <= AIndex < Count().
  TScheme& Items(int AIndex) { return *FItems[AIndex]; }
  const TScheme& Items(int AIndex) const { return *FItems[AIndex]; }

  // Replaces the list with the file's schemes; a missing or unreadable file
  // gives an empty list.
  void Load();
  // Rewrites the whole file from the list. On failure the old file is kept
  // as it was and the result is false.
  bool Save() const;
  // Appends a scheme with the defaults and a fresh 21-digit Id.
  TScheme& Add();
  // Does nothing for an index outside the list.
  void Delete(int AIndex);
  // First scheme whose Id equals AId byte for byte, or -1.
  int IndexOfId(const std::string& AId) const;

 private:
  std::string NewId();

  std::vector<std::unique_ptr<TScheme>> FItems;
  std::string FFilePath;
  std::mt19937 FRandom;
};

}  // namespace mvn
