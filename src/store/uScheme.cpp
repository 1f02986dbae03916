#include "store/uScheme.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "store/uIniFile.h"
#include "base/uText.h"
#include "store/uUtils.h"

namespace mvn {

namespace {

// Sections above this number are never read, so a file holds at most
// this many schemes.
constexpr int kMaxSchemeSections = 10000;

std::string SectionName(int AIndex) { return "Sch" + std::to_string(AIndex); }

void ReadScheme(const TWideIniFile& AIni, const std::string& ASection, TScheme& AScheme) {
  AScheme.Name = AIni.ReadString(ASection, "Name", "");
  AScheme.Description = AIni.ReadString(ASection, "Description", "");
  AScheme.CsvFile = AIni.ReadString(ASection, "CsvFile", "");
  AScheme.HasHeader = AIni.ReadBool(ASection, "HasHeader", true);
  AScheme.SourceColumn = AIni.ReadInteger(ASection, "SourceColumn", 1);
  AScheme.TargetColumn = AIni.ReadInteger(ASection, "TargetColumn", 2);
  AScheme.MatchMode = StrToMatchMode(AIni.ReadString(ASection, "MatchMode", "partial"));
  AScheme.Path = AIni.ReadString(ASection, "Path", "");
}

void WriteScheme(TWideIniFile& AIni, const std::string& ASection, const TScheme& AScheme) {
  AIni.WriteString(ASection, "ID", AScheme.Id);
  AIni.WriteString(ASection, "Name", AScheme.Name);
  AIni.WriteString(ASection, "Description", AScheme.Description);
  AIni.WriteString(ASection, "CsvFile", AScheme.CsvFile);
  AIni.WriteBool(ASection, "HasHeader", AScheme.HasHeader);
  AIni.WriteInteger(ASection, "SourceColumn", AScheme.SourceColumn);
  AIni.WriteInteger(ASection, "TargetColumn", AScheme.TargetColumn);
  AIni.WriteString(ASection, "MatchMode", MatchModeToStr(AScheme.MatchMode));
  AIni.WriteString(ASection, "Path", AScheme.Path);
}

}  // namespace

std::string MatchModeToStr(TMatchMode AMode) { return AMode == mmPartial ? "partial" : "whole"; }

TMatchMode StrToMatchMode(const std::string& AText) {
  return SameTextAscii(Trim(AText), "partial") ? mmPartial : mmWhole;
}

std::string TScheme::CsvFullPath() const { return DataDir() + CsvFile; }

TSchemeList::TSchemeList(std::string AFilePath) : FFilePath(std::move(AFilePath)) {
  // Two lists made in the same tick (two hosts starting together) must not
  // draw the same numbers, so the clock is mixed with the system's source.
  std::random_device Device;
  const auto Ticks = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::seed_seq Seed{static_cast<uint32_t>(Ticks), static_cast<uint32_t>(Ticks >> 32), Device(), Device()};
  FRandom.seed(Seed);
}

void TSchemeList::Load() {
  FItems.clear();
  TWideIniFile Ini(FFilePath);
  Ini.Load();
  for (int N = 0; N < kMaxSchemeSections; ++N) {
    const std::string Section = SectionName(N);
    // Gaps in the numbering are allowed; a missing section costs one scan.
    if (Ini.FindSection(Section) < 0) continue;
    std::string Id = Ini.ReadString(Section, "ID", "");
    if (Id.empty()) Id = Ini.ReadString(Section, "Name", "");
    if (Id.empty()) continue;
    // The Id comes from the file: no new one is drawn for it.
    auto Scheme = std::make_unique<TScheme>();
    Scheme->Id = std::move(Id);
    ReadScheme(Ini, Section, *Scheme);
    FItems.push_back(std::move(Scheme));
  }
}

bool TSchemeList::Save() const {
  // The store replaces the file in one step; the old file is never deleted
  // first, so a failed save cannot lose the schemes already on disk.
  TWideIniFile Ini(FFilePath);
  for (int I = 0; I < Count(); ++I) WriteScheme(Ini, SectionName(I), *FItems[I]);
  return Ini.UpdateFile();
}

std::string TSchemeList::NewId() {
  SYSTEMTIME Now;
  GetLocalTime(&Now);
  std::uniform_int_distribution<int> Random(1000, 9999);
  char Buffer[32];
  std::snprintf(Buffer, sizeof Buffer, "%04u%02u%02u%02u%02u%02u%03u%d", Now.wYear, Now.wMonth, Now.wDay, Now.wHour,
                Now.wMinute, Now.wSecond, Now.wMilliseconds, Random(FRandom));
  return Buffer;
}

TScheme& TSchemeList::Add() {
  auto Scheme = std::make_unique<TScheme>();
  Scheme->Id = NewId();
  FItems.push_back(std::move(Scheme));
  return *FItems.back();
}

void TSchemeList::Delete(int AIndex) {
  if (AIndex < 0 || AIndex >= Count()) return;
  FItems.erase(FItems.begin() + AIndex);
}

int TSchemeList::IndexOfId(const std::string& AId) const {
  for (int I = 0; I < Count(); ++I)
    if (FItems[I]->Id == AId) return I;
  return -1;
}

}  // namespace mvn
