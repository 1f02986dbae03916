// An in-memory INI store: the whole file is read at once, reads and writes
// work on memory, and UpdateFile rewrites the whole file. Reads UTF-8 (with
// or without BOM), UTF-16 with BOM and the ANSI code page; always writes
// UTF-8 with BOM and CR LF. Section and key names compare ASCII
// case-insensitively. Nothing here raises for file failures.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace mvn {

class TWideIniFile {
 public:
  // Does not touch the file; the store starts empty and modified, so that
  // writes followed by UpdateFile replace the file with exactly them.
  explicit TWideIniFile(std::string AUtf8Path);
  TWideIniFile(const TWideIniFile&) = delete;
  TWideIniFile& operator=(const TWideIniFile&) = delete;

  const std::string& Path() const { return FPath; }

  // Replaces the memory with the file's content. A missing file leaves the
  // store empty and modified; an unreadable one leaves it empty.
  void Load();
  // Writes the whole memory to the file unless it is unchanged and the file
  // exists. The old file is replaced in one step or kept as it was; the
  // result tells which.
  bool UpdateFile();

  std::string ReadString(const std::string& ASection, const std::string& AKey, const std::string& ADefault) const;
  bool ReadBool(const std::string& ASection, const std::string& AKey, bool ADefault) const;
  int32_t ReadInteger(const std::string& ASection, const std::string& AKey, int32_t ADefault) const;
  int64_t ReadInt64(const std::string& ASection, const std::string& AKey, int64_t ADefault) const;

  void WriteString(const std::string& ASection, const std::string& AKey, const std::string& AValue);
  void WriteBool(const std::string& ASection, const std::string& AKey, bool AValue);
  void WriteInteger(const std::string& ASection, const std::string& AKey, int32_t AValue);
  void WriteInt64(const std::string& ASection, const std::string& AKey, int64_t AValue);

  int FindSection(const std::string& ASection) const;
  int AddSection(const std::string& ASection);
  int FindKey(int ASectionIdx, const std::string& AKey) const;
  void PutKeyValue(int ASectionIdx, const std::string& AKey, const std::string& AValue);

  // What the store holds, section by section; each entry is one
  // "name=value" line.
  int SectionCount() const { return static_cast<int>(FSection.size()); }
  const std::string& SectionName(int AIndex) const { return FSection[AIndex]; }
  const std::vector<std::string>& SectionLines(int AIndex) const { return FKeys[AIndex]; }
  bool Modified() const { return FModified; }

 private:
  std::string BuildContent() const;

  std::string FPath;
  std::vector<std::string> FSection;
  std::vector<std::vector<std::string>> FKeys;  // parallel to FSection
  // Section index by ASCII-lower-cased name: a list of ten thousand schemes
  // would otherwise scan the section list for every key it reads or writes.
  std::unordered_map<std::string, int> FSectionIndex;
  bool FModified = true;
};

}  // namespace mvn
