// Throughput of Batch Replace's matching: the indexed matcher against the
// plain walk over the pairs, on a million generated cells, for mappings of 10,
// 1,000 and 100,000 pairs, whole and partial mode, with and without regard to
// case. Prints figures; checks nothing but that both matchers count alike.
//
//   bench_replace [--quick] [--walk-seconds N] [--no-host]
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/uComPtr.h"
#include "base/uUnicode.h"
#include "engine/uMatchIndex.h"
#include "engine/uReplace.h"
#include "engine/uStrUtil.h"
#include "engine/uUtils.h"
#include "fakeexcel/FakeExcel.h"
#include "store/uUtils.h"
#include "support/TestRandom.h"

namespace mvn {
namespace {

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point AStart) {
  return std::chrono::duration<double>(TClock::now() - AStart).count();
}

using test::TRandom;

// Mixed text: runs of ASCII letters and digits and runs of common CJK
// characters (3,000 of them).
std::wstring RandomText(TRandom& ARandom, size_t ALength) {
  static const char kAscii[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_";
  std::wstring Text;
  while (Text.size() < ALength) {
    const bool Cjk = ARandom.Below(2) == 0;
    for (size_t Run = ARandom.Between(1, 6); Run > 0 && Text.size() < ALength; --Run)
      Text += Cjk ? static_cast<wchar_t>(0x4E00 + ARandom.Below(3000)) : static_cast<wchar_t>(kAscii[ARandom.Below(64)]);
  }
  return Text;
}

std::wstring Recase(TRandom& ARandom, std::wstring AText) {
  for (wchar_t& C : AText)
    if (((C >= L'a' && C <= L'z') || (C >= L'A' && C <= L'Z')) && ARandom.Below(2)) C ^= 0x20;
  return AText;
}

// Sources of 4 to 12 characters for partial mode, 10 to 40 for whole mode
// (a whole-mode hit is a cell that equals a source).
TMapping MakeMapping(size_t APairs, TMatchMode AMode, uint64_t ASeed) {
  TRandom Random(ASeed);
  TMapping Mapping;
  Mapping.Srcs.reserve(APairs);
  Mapping.Tgts.reserve(APairs);
  for (size_t I = 0; I < APairs; ++I) {
    const size_t Length = AMode == mmWhole ? Random.Between(10, 40) : Random.Between(4, 12);
    Mapping.Srcs.push_back(WideToUtf8(RandomText(Random, Length)));
    Mapping.Tgts.push_back(WideToUtf8(RandomText(Random, Random.Between(1, 12))));
  }
  return Mapping;
}

// Cells of 10 to 40 characters, a third of them built on a source (in
// whole mode: equal to it), recased at random when case is ignored.
std::vector<TVariant> MakeCells(size_t ACount, const TMapping& AMapping, TMatchMode AMode, bool ACaseSensitive,
                                uint64_t ASeed) {
  TRandom Random(ASeed);
  std::vector<TVariant> Cells;
  Cells.reserve(ACount);
  for (size_t I = 0; I < ACount; ++I) {
    std::wstring Text;
    if (Random.Below(3) == 0) {
      std::wstring Src = Utf8ToWide(AMapping.Srcs[Random.Below(AMapping.Srcs.size())]);
      if (!ACaseSensitive) Src = Recase(Random, Src);
      if (AMode == mmWhole) {
        Text = Src;
      } else {
        const size_t Length = Random.Between(std::max<size_t>(10, Src.size()), 40);
        Text = RandomText(Random, Length - Src.size());
        Text.insert(Random.Below(Text.size() + 1), Src);
      }
    } else {
      Text = RandomText(Random, Random.Between(10, 40));
    }
    Cells.push_back(TVariant::FromString(Text.data(), Text.size()));
  }
  return Cells;
}

struct TRun {
  size_t Cells = 0;
  int64_t Matched = 0;
  int64_t Replaced = 0;
  double Seconds = 0;
  double Rate() const { return Seconds > 0 ? Cells / Seconds : 0; }
};

// The inner loop of a run (ProcessArea): text of the value, trimmed; the
// match and the new text; the count; with AKeepChanges, the change kept for
// writing as ProcessArea keeps it. Stops after ASeconds or ALimit cells.
TRun MatchCells(const std::vector<TVariant>& ACells, const TCellMatcher& AMatcher, bool AKeepChanges,
                double ASeconds = 1e9, size_t ALimit = SIZE_MAX) {
  TRun Run;
  std::vector<TChangeItem> Changes;
  std::wstring Buffer;
  std::wstring NewText;
  const TClock::time_point Start = TClock::now();
  const size_t Count = std::min(ACells.size(), ALimit);
  for (size_t From = 0; From < Count; From += 1000) {
    const size_t To = std::min(Count, From + 1000);
    for (size_t I = From; I < To; ++I) {
      const std::wstring_view Text = CellMatchText(ACells[I].Value(), true, Buffer);
      if (Text.empty()) continue;
      const TCellMatch Result = AMatcher.Match(Text, NewText);
      if (Result == cmNone) continue;
      ++Run.Matched;
      if (Result == cmSame) continue;
      ++Run.Replaced;
      if (AKeepChanges) Changes.push_back({static_cast<int32_t>(I + 1), 1, std::move(NewText)});
    }
    Run.Cells = To;
    if (SecondsSince(Start) > ASeconds) break;
  }
  Run.Seconds = SecondsSince(Start);
  return Run;
}

// The limit: a value turned into text and lower-cased, nothing matched.
TRun FloorCells(const std::vector<TVariant>& ACells) {
  TRun Run;
  std::wstring Buffer;
  std::wstring Lower;
  size_t Sum = 0;
  const TClock::time_point Start = TClock::now();
  for (const TVariant& Cell : ACells) {
    const std::wstring_view Text = CellMatchText(Cell.Value(), true, Buffer);
    Lower.assign(Text);
    LowerInPlace(Lower);
    Sum += Lower.empty() ? 0 : static_cast<unsigned short>(Lower.back());
  }
  Run.Seconds = SecondsSince(Start);
  Run.Cells = ACells.size();
  Run.Matched = static_cast<int64_t>(Sum & 1);  // keeps the loop from being dropped
  return Run;
}

struct TOptions {
  size_t Cells = 1000000;
  double WalkSeconds = 10;
  bool Host = true;
};

struct TTarget {
  std::string What;
  bool Met;
};

void RunCases(const TOptions& AOptions, std::vector<TTarget>& ATargets) {
  std::printf("%-7s %-6s %6s | %7s %6s %6s | %10s %10s %6s | %9s %10s %6s | %10s %5s\n", "mode", "case", "pairs",
              "build s", "MB", "states", "index c/s", "+list c/s", "match", "walk c/s", "walk cells",
              "x walk", "floor c/s", "%flr");
  for (TMatchMode Mode : {mmWhole, mmPartial}) {
    for (bool CaseSensitive : {true, false}) {
      double RateOf10 = 0;
      for (size_t Pairs : {size_t(10), size_t(1000), size_t(100000)}) {
        const uint64_t Seed = Pairs * 4 + Mode * 2 + CaseSensitive;
        const TMapping Mapping = MakeMapping(Pairs, Mode, 1000 + Pairs + Mode);
        const std::vector<TVariant> Cells = MakeCells(AOptions.Cells, Mapping, Mode, CaseSensitive, Seed);

        const TClock::time_point BuildStart = TClock::now();
        const std::unique_ptr<TCellMatcher> Matcher = MakeCellMatcher(Mapping, Mode, CaseSensitive);
        const double BuildSeconds = SecondsSince(BuildStart);
        const TMatchIndexStats Stats = MatchIndexStats(*Matcher);

        const TRun Index = MatchCells(Cells, *Matcher, false);
        const TRun Listed = MatchCells(Cells, *Matcher, true);

        const TRun Floor = FloorCells(Cells);
        TRun Walk;
        bool SameCounts = true;
        if (Pairs <= 1000) {
          const auto WalkMatcher = MakeWalkMatcher(Mapping, Mode, CaseSensitive);
          Walk = MatchCells(Cells, *WalkMatcher, false, AOptions.WalkSeconds);
          const TRun Again = MatchCells(Cells, *Matcher, false, 1e9, Walk.Cells);
          SameCounts = Again.Matched == Walk.Matched && Again.Replaced == Walk.Replaced;
        }
        char WalkRate[32] = "-", WalkCells[32] = "-", Ratio[32] = "-";
        if (Walk.Cells) {
          std::snprintf(WalkRate, sizeof WalkRate, "%.0f", Walk.Rate());
          std::snprintf(WalkCells, sizeof WalkCells, "%zu%s", Walk.Cells, SameCounts ? "" : "!");
          std::snprintf(Ratio, sizeof Ratio, "%.0f", Index.Rate() / Walk.Rate());
        }
        std::printf("%-7s %-6s %6zu | %7.3f %6.1f %6zu | %10.0f %10.0f %5.1f%% | %9s %10s %6s | %10.0f %4.0f%%\n",
                    Mode == mmWhole ? "whole" : "partial", CaseSensitive ? "exact" : "nocase", Pairs, BuildSeconds,
                    Stats.Bytes / 1048576.0, Stats.States, Index.Rate(), Listed.Rate(),
                    100.0 * Index.Matched / Index.Cells, WalkRate, WalkCells, Ratio, Floor.Rate(),
                    100.0 * Index.Rate() / Floor.Rate());
        std::fflush(stdout);
        if (!SameCounts) ATargets.push_back({"walk and index count alike", false});

        if (Pairs == 10) RateOf10 = Index.Rate();
        if (Pairs == 100000) {
          const std::string Name = std::string(Mode == mmWhole ? "whole" : "partial") + (CaseSensitive ? " exact" : " nocase");
          if (Mode == mmWhole) ATargets.push_back({Name + ", 100,000 pairs: >= 5,000,000 cells/s", Index.Rate() >= 5e6});
          if (Mode == mmPartial && !CaseSensitive)
            ATargets.push_back({Name + ", 100,000 pairs: >= 2,000,000 cells/s", Index.Rate() >= 2e6});
          ATargets.push_back({Name + ", 100,000 pairs: >= half the rate of 10 pairs", Index.Rate() >= RateOf10 / 2});
          ATargets.push_back({Name + ", 100,000 pairs: build < 0.5 s", BuildSeconds < 0.5});
          ATargets.push_back({Name + ", 100,000 pairs: index < 100 MB", Stats.Bytes < 100u * 1048576u});
        }
      }
    }
  }
}

// ExecuteReplace over 1,000 x 1,000 cells of the stand-in (1,000 pairs,
// partial mode, case ignored), against the engine's own matching of the same
// values: the rest is the host's reading, formula query and writing.
void RunHost() {
  wchar_t Temp[MAX_PATH];
  GetTempPathW(MAX_PATH, Temp);
  const std::string Dir = WideToUtf8(Temp) + "mvn_bench\\";
  CreateDirectoryW(Utf8ToWide(Dir).c_str(), nullptr);
  const TMapping Mapping = MakeMapping(1000, mmPartial, 77);
  std::string Csv = "Source,Target\r\n";
  for (size_t I = 0; I < Mapping.Srcs.size(); ++I) Csv += Mapping.Srcs[I] + "," + Mapping.Tgts[I] + "\r\n";
  const std::wstring CsvPath = Utf8ToWide(Dir + "bench.csv");
  const HANDLE File = CreateFileW(CsvPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD Written = 0;
  WriteFile(File, Csv.data(), static_cast<DWORD>(Csv.size()), &Written, nullptr);
  CloseHandle(File);
  SetCustomDataDir(Dir);

  const std::vector<TVariant> Cells = MakeCells(1000000, Mapping, mmPartial, false, 78);
  auto Book = std::make_shared<fake::TWorkbook>();
  Book->SetLogging(false);
  for (int32_t R = 0; R < 1000; ++R)
    for (int32_t C = 0; C < 1000; ++C) {
      const VARIANT& V = Cells[size_t(R) * 1000 + C].Value();
      Book->SetText(R + 1, C + 1, std::wstring_view(V.bstrVal, SysStringLen(V.bstrVal)));
    }
  Book->Select(fake::TArea{1, 1, 1000, 1000});
  const TAutoObject Excel(TComPtr<IDispatch>::Attach(fake::CreateApplication(Book)));

  TScheme Scheme;
  Scheme.CsvFile = "bench.csv";
  TReplaceOptions Options;
  Options.MatchMode = mmPartial;
  const TClock::time_point Start = TClock::now();
  const TReplaceReport Report = ExecuteReplace(Excel, &Scheme, Options);
  const double Total = SecondsSince(Start);

  const auto Matcher = MakeCellMatcher(Mapping, mmPartial, false);
  const TRun Engine = MatchCells(Cells, *Matcher, true);
  std::printf("\nExecuteReplace through the stand-in, 1,000 x 1,000 cells, 1,000 pairs, partial, case ignored:\n"
              "  %.2f s in all (%.0f cells/s); read %lld, matched %lld, replaced %lld\n"
              "  matching the same values alone: %.2f s, so %.0f%% of the run is spent in host calls\n",
              Total, 1e6 / Total, static_cast<long long>(Report.CellsRead), static_cast<long long>(Report.CellsMatched),
              static_cast<long long>(Report.CellsReplaced), Engine.Seconds, 100.0 * (Total - Engine.Seconds) / Total);
  SetCustomDataDir("");
  DeleteFileW(CsvPath.c_str());
  RemoveDirectoryW(Utf8ToWide(Dir).c_str());
}

}  // namespace
}  // namespace mvn

int main(int argc, char** argv) {
  mvn::TOptions Options;
  for (int I = 1; I < argc; ++I) {
    if (!std::strcmp(argv[I], "--quick")) Options.Cells = 100000;
    else if (!std::strcmp(argv[I], "--no-host")) Options.Host = false;
    else if (!std::strcmp(argv[I], "--walk-seconds") && I + 1 < argc) Options.WalkSeconds = std::atof(argv[++I]);
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::printf("cells: %zu of 10-40 characters (ASCII and CJK), a third built on a source; %zu-bit build\n"
              "build s: index build time; MB: bytes of the index's arrays, counted (capacity x element size);\n"
              "states: automaton states; index c/s: cells per second through the index (value to text,\n"
              "trim, match, new text, counts); +list c/s: the same keeping the change list as a run does (one\n"
              "string per changed cell); match: share of cells matched; walk c/s: index c/s's loop through the walk,\n"
              "over the first 'walk cells' cells (at most %g s); x walk: index rate / walk rate;\n"
              "floor c/s: value to text and lower-casing only; %%flr: index rate / floor rate\n\n",
              Options.Cells, sizeof(void*) * 8, Options.WalkSeconds);
  std::vector<mvn::TTarget> Targets;
  mvn::RunCases(Options, Targets);
  if (Options.Host) mvn::RunHost();
  std::printf("\nTargets:\n");
  for (const mvn::TTarget& T : Targets) std::printf("  %-4s %s\n", T.Met ? "met" : "MISS", T.What.c_str());
  CoUninitialize();
  return 0;
}
