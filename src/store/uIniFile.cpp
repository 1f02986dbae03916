#include "store/uIniFile.h"

#include <charconv>
#include <utility>

#include "base/uText.h"
#include "store/uWinFile.h"

namespace mvn {

namespace {

// A line break inside a name or value would split its line in the file and
// turn the rest into a line of its own (even a forged section header), so
// each one becomes a blank.
std::string OneLine(std::string AText) {
  for (char& C : AText)
    if (C == '\r' || C == '\n') C = ' ';
  return AText;
}

std::string AsciiLowerCopy(std::string AText) {
  for (char& C : AText) C = AsciiLower(C);
  return AText;
}

std::string EntryName(const std::string& ALine) {
  const size_t Eq = ALine.find('=');
  return Trim(Eq == std::string::npos ? ALine : ALine.substr(0, Eq));
}

std::vector<std::string> SplitLines(const std::string& AText) {
  std::vector<std::string> Lines;
  size_t Start = 0;
  for (size_t I = 0; I < AText.size(); ++I) {
    if (AText[I] != '\r' && AText[I] != '\n') continue;
    Lines.push_back(AText.substr(Start, I - Start));
    if (AText[I] == '\r' && I + 1 < AText.size() && AText[I + 1] == '\n') ++I;
    Start = I + 1;
  }
  if (Start < AText.size()) Lines.push_back(AText.substr(Start));
  return Lines;
}

// Decimal only, with an optional sign; anything else, or a value out of
// range, does not convert.
template <typename T>
bool ParseDecimal(const std::string& AText, T& AValue) {
  const char* First = AText.data();
  const char* Last = First + AText.size();
  if (First != Last && *First == '+') ++First;
  if (First == Last || *First == '+') return false;
  T Value{};
  const auto [Ptr, Ec] = std::from_chars(First, Last, Value, 10);
  if (Ec != std::errc() || Ptr != Last) return false;
  AValue = Value;
  return true;
}

std::string DirectoryOf(const std::string& APath) {
  const size_t Sep = APath.find_last_of("\\/");
  return Sep == std::string::npos ? std::string() : APath.substr(0, Sep);
}

}  // namespace

TWideIniFile::TWideIniFile(std::string AUtf8Path) : FPath(std::move(AUtf8Path)) {}

void TWideIniFile::Load() {
  FSection.clear();
  FKeys.clear();
  FSectionIndex.clear();
  if (!FileExistsU(FPath)) {
    FModified = true;
    return;
  }
  const std::string Text = ReadFileTextU(FPath);
  FModified = false;

  int Current = -1;
  for (const std::string& Raw : SplitLines(Text)) {
    const std::string Line = Trim(Raw);
    if (Line.empty() || Line[0] == ';' || Line[0] == '#') continue;
    if (Line[0] == '[') {
      const size_t Close = Line.find(']');
      if (Close != std::string::npos) {
        Current = AddSection(Trim(Line.substr(1, Close - 1)));
        continue;
      }
    }
    const size_t Eq = Line.find('=');
    if (Eq == std::string::npos) continue;
    const std::string Name = Trim(Line.substr(0, Eq));
    if (Name.empty()) continue;
    if (Current < 0) Current = AddSection("");
    PutKeyValue(Current, Name, Trim(Line.substr(Eq + 1)));
  }
  // Storing the entries went through PutKeyValue, yet memory and file agree.
  FModified = false;
}

std::string TWideIniFile::BuildContent() const {
  std::string Content = "\xEF\xBB\xBF";
  auto AppendSection = [&](size_t AIndex) {
    if (!FSection[AIndex].empty()) Content += "[" + FSection[AIndex] + "]\r\n";
    for (const std::string& Line : FKeys[AIndex]) Content += Line + "\r\n";
  };
  // Entries of the nameless section must come before any header, or they
  // would land in the section above them when the file is read back.
  const int Nameless = FindSection("");
  if (Nameless >= 0) AppendSection(static_cast<size_t>(Nameless));
  for (size_t I = 0; I < FSection.size(); ++I)
    if (static_cast<int>(I) != Nameless) AppendSection(I);
  return Content;
}

bool TWideIniFile::UpdateFile() {
  if (!FModified && FileExistsU(FPath)) return true;
  const std::string Dir = DirectoryOf(FPath);
  if (!Dir.empty()) ForceDirectoriesU(Dir);
  // A failed save keeps FModified, so that a later UpdateFile tries again.
  if (!ReplaceFileBytesU(FPath, BuildContent())) return false;
  FModified = false;
  return true;
}

std::string TWideIniFile::ReadString(const std::string& ASection, const std::string& AKey,
                                     const std::string& ADefault) const {
  const int Section = FindSection(ASection);
  if (Section < 0) return ADefault;
  const int Key = FindKey(Section, AKey);
  if (Key < 0) return ADefault;
  const std::string& Line = FKeys[Section][Key];
  const size_t Eq = Line.find('=');
  return Eq == std::string::npos ? std::string() : Trim(Line.substr(Eq + 1));
}

bool TWideIniFile::ReadBool(const std::string& ASection, const std::string& AKey, bool ADefault) const {
  const std::string Text = ReadString(ASection, AKey, "");
  if (Text.empty()) return ADefault;
  // Exactly these, case-sensitively: files written by hand rely on it.
  for (const char* True : {"True", "true", "1", "Yes", "On", "on"})
    if (Text == True) return true;
  return false;
}

int32_t TWideIniFile::ReadInteger(const std::string& ASection, const std::string& AKey, int32_t ADefault) const {
  int32_t Value = ADefault;
  return ParseDecimal(ReadString(ASection, AKey, ""), Value) ? Value : ADefault;
}

int64_t TWideIniFile::ReadInt64(const std::string& ASection, const std::string& AKey, int64_t ADefault) const {
  int64_t Value = ADefault;
  return ParseDecimal(ReadString(ASection, AKey, ""), Value) ? Value : ADefault;
}

void TWideIniFile::WriteString(const std::string& ASection, const std::string& AKey, const std::string& AValue) {
  PutKeyValue(AddSection(ASection), AKey, AValue);
}

void TWideIniFile::WriteBool(const std::string& ASection, const std::string& AKey, bool AValue) {
  WriteString(ASection, AKey, AValue ? "True" : "False");
}

void TWideIniFile::WriteInteger(const std::string& ASection, const std::string& AKey, int32_t AValue) {
  WriteString(ASection, AKey, std::to_string(AValue));
}

void TWideIniFile::WriteInt64(const std::string& ASection, const std::string& AKey, int64_t AValue) {
  WriteString(ASection, AKey, std::to_string(AValue));
}

int TWideIniFile::FindSection(const std::string& ASection) const {
  const auto Found = FSectionIndex.find(AsciiLowerCopy(ASection));
  return Found == FSectionIndex.end() ? -1 : Found->second;
}

int TWideIniFile::AddSection(const std::string& ASection) {
  const std::string Name = OneLine(ASection);
  const int Existing = FindSection(Name);
  if (Existing >= 0) return Existing;
  const int Index = static_cast<int>(FSection.size());
  FSection.push_back(Name);
  FKeys.emplace_back();
  FSectionIndex.emplace(AsciiLowerCopy(Name), Index);
  return Index;
}

int TWideIniFile::FindKey(int ASectionIdx, const std::string& AKey) const {
  if (ASectionIdx < 0 || ASectionIdx >= SectionCount()) return -1;
  const std::vector<std::string>& Lines = FKeys[ASectionIdx];
  for (size_t I = 0; I < Lines.size(); ++I)
    if (SameTextAscii(EntryName(Lines[I]), AKey)) return static_cast<int>(I);
  return -1;
}

void TWideIniFile::PutKeyValue(int ASectionIdx, const std::string& AKey, const std::string& AValue) {
  if (ASectionIdx < 0 || ASectionIdx >= SectionCount()) return;
  const std::string Key = OneLine(AKey);
  std::string Line = Key + "=" + OneLine(AValue);
  const int Existing = FindKey(ASectionIdx, Key);
  if (Existing >= 0)
    FKeys[ASectionIdx][Existing] = std::move(Line);
  else
    FKeys[ASectionIdx].push_back(std::move(Line));
  FModified = true;
}

}  // namespace mvn
