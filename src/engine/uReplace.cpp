#include "engine/uReplace.h"

#include <algorithm>

#include "base/uUnicode.h"
#include "engine/uCsv.h"
#include "engine/uMatchIndex.h"
#include "engine/uStrUtil.h"
#include "engine/uUtils.h"
#include "i18n/uTranslator.h"
#include "store/uWinFile.h"

namespace mvn {

namespace {

[[noreturn]] void RaiseReplaceError(const std::string& AKey, const std::string& ADetail = {}) {
  throw EReplaceError(TLang(AKey) + ADetail);
}

// Formula cells of one area, allocated only when the area has any.
class TFormulaMask {
 public:
  TFormulaMask(int64_t ARows, int64_t ACols) : FRows(ARows), FCols(ACols) {}
  bool Any() const { return FAny; }
  void MarkAny() { FAny = true; }
  void Mark(int64_t ARow, int64_t ACol) {
    if (FRows <= 0 || FCols <= 0) return;
    if (FCells.empty()) FCells.assign(static_cast<size_t>(FRows * FCols), 0);
    FCells[Index(ARow, ACol)] = 1;
    FAny = true;
  }
  bool Marked(int64_t ARow, int64_t ACol) const {
    return !FCells.empty() && ARow >= 1 && ARow <= FRows && ACol >= 1 && ACol <= FCols && FCells[Index(ARow, ACol)];
  }

 private:
  size_t Index(int64_t ARow, int64_t ACol) const { return static_cast<size_t>((ARow - 1) * FCols + (ACol - 1)); }

  int64_t FRows;
  int64_t FCols;
  bool FAny = false;
  std::vector<unsigned char> FCells;
};

class TWalkMatcher : public TCellMatcher {
 public:
  TWalkMatcher(const TMapping& AMapping, TMatchMode AMatchMode, bool ACaseSensitive)
      : FMapping(AMapping), FMatchMode(AMatchMode), FCaseSensitive(ACaseSensitive) {}
  using TCellMatcher::Match;
  TCellMatch Match(std::wstring_view ACellText, std::wstring& ANewText) const override {
    const std::string Text = WideToUtf8(ACellText);
    std::string NewText;
    if (!MatchCell(FMapping.Srcs, FMapping.Tgts, Text, FMatchMode, FCaseSensitive, NewText)) return cmNone;
    if (NewText == Text) return cmSame;
    ANewText = Utf8ToWide(NewText);
    return cmChanged;
  }

 private:
  const TMapping& FMapping;
  TMatchMode FMatchMode;
  bool FCaseSensitive;
};

// Marks the area's formula cells; true when any cell must be spared. The
// host answers for the whole sheet when the area is one cell, so cells
// outside the area are dropped.
void DetectFormulaMask(const TAutoObject& ARange, TFormulaMask& AMask, int64_t ARows, int64_t ACols) {
  TAutoObject Formulas;
  try {
    Formulas = host::SpecialCells(ARange, host::xlCellTypeFormulas, host::xlSpecValueMask);
  } catch (...) {
    return;  // the host's way of saying that the area holds no formula
  }
  try {
    const int64_t Top = host::RangeRow(ARange);
    const int64_t Left = host::RangeColumn(ARange);
    const int32_t Count = host::AreasCount(Formulas);
    for (int32_t I = 1; I <= Count; ++I) {
      const TAutoObject F = host::AreasItem(Formulas, I);
      const int64_t FRows = host::RowsCount(F);
      const int64_t FCols = host::ColumnsCount(F);
      const int64_t FRow = host::RangeRow(F);
      const int64_t FCol = host::RangeColumn(F);
      // Clip to the area before walking: a whole-sheet answer may be huge.
      const int64_t RowFrom = std::max<int64_t>(1, FRow - Top + 1);
      const int64_t RowTo = std::min<int64_t>(ARows, FRow + FRows - 1 - Top + 1);
      const int64_t ColFrom = std::max<int64_t>(1, FCol - Left + 1);
      const int64_t ColTo = std::min<int64_t>(ACols, FCol + FCols - 1 - Left + 1);
      for (int64_t R = RowFrom; R <= RowTo; ++R)
        for (int64_t C = ColFrom; C <= ColTo; ++C) AMask.Mark(R, C);
    }
  } catch (...) {
    // Unsure which cells hold formulas: keep the marks made so far and spare
    // the one-cell path altogether.
    AMask.MarkAny();
  }
}

// Steps shared by the array and the one-cell path: the cell's new text when
// it must change, counted in the report.
bool MatchOneCell(const VARIANT& AValue, const TCellMatcher& AMatcher, const TReplaceOptions& AOptions,
                  TReplaceReport& ARep, std::wstring& ABuffer, std::wstring& ANewText) {
  const std::wstring_view Text = CellMatchText(AValue, AOptions.TrimBeforeMatch, ABuffer);
  if (Text.empty()) return false;
  const TCellMatch Result = AMatcher.Match(Text, ANewText);
  if (Result == cmNone) return false;
  ++ARep.CellsMatched;
  if (Result == cmSame) return false;
  ++ARep.CellsReplaced;
  return true;
}

void WriteChanges(const TAutoObject& AArea, const std::vector<TChangeItem>& AChanges) {
  try {
    for (const TChangeItem& Change : AChanges) host::WriteCellText(AArea, Change.Row, Change.Col, Change.Text);
  } catch (const EReplaceError&) {
    throw;
  } catch (...) {
    RaiseReplaceError("re.write_fail", DescribeCurrentException().Message);
  }
}

void ProcessArea(const TAutoObject& AArea, const TCellMatcher& AMatcher, const TReplaceOptions& AOptions,
                 TReplaceReport& ARep) {
  int64_t Rows = 0;
  int64_t Cols = 0;
  try {
    Rows = host::RowsCount(AArea);
    Cols = host::ColumnsCount(AArea);
  } catch (...) {
    RaiseReplaceError("re.read_fail", DescribeCurrentException().Message);
  }
  ARep.CellsRead += Rows * Cols;

  TFormulaMask Mask(Rows, Cols);
  DetectFormulaMask(AArea, Mask, Rows, Cols);

  TVariant Values;
  try {
    Values = host::ReadValue2(AArea);
  } catch (...) {
    RaiseReplaceError("re.read_fail", DescribeCurrentException().Message);
  }

  std::vector<TChangeItem> Changes;
  std::wstring Buffer;
  std::wstring NewText;
  if (Values.Type() & VT_ARRAY) {
    const TValueBlock Block(Values.Value());
    for (int64_t R = 1; R <= Block.Rows(); ++R) {
      for (int64_t C = 1; C <= Block.Cols(); ++C) {
        if (!MatchOneCell(Block.At(R, C), AMatcher, AOptions, ARep, Buffer, NewText)) continue;
        if (Mask.Marked(R, C)) continue;
        Changes.push_back({static_cast<int32_t>(R), static_cast<int32_t>(C), std::move(NewText)});
      }
    }
  } else if (MatchOneCell(Values.Value(), AMatcher, AOptions, ARep, Buffer, NewText) && !Mask.Any()) {
    Changes.push_back({1, 1, std::move(NewText)});
  }
  WriteChanges(AArea, Changes);
}

}  // namespace

bool TCellMatcher::Match(const std::string& ACellText, std::string& ANewText) const {
  std::wstring NewText;
  switch (Match(std::wstring_view(Utf8ToWide(ACellText)), NewText)) {
    case cmNone: ANewText.clear(); return false;
    case cmSame: ANewText = ACellText; return true;
    case cmChanged: ANewText = WideToUtf8(NewText); return true;
  }
  return false;
}

bool MatchPair(const std::string& ASrc, const std::string& ATgt, const std::string& ACellText, TMatchMode AMatchMode,
               bool ACaseSensitive, std::string& ANewText) {
  if (ASrc.empty()) return false;
  if (AMatchMode == mmWhole) {
    if (!UTF8Equals(ACellText, ASrc, !ACaseSensitive)) return false;
    ANewText = ATgt;
  } else if (ACaseSensitive) {
    if (ACellText.find(ASrc) == std::string::npos) return false;
    ANewText = ACellText;
    UTF8ReplaceAllCase(ANewText, ASrc, ATgt);
  } else {
    if (!UTF8Contains(ACellText, ASrc)) return false;
    ANewText = ACellText;
    UTF8ReplaceAllNoCase(ANewText, ASrc, ATgt);
  }
  return true;
}

bool MatchCell(const std::vector<std::string>& ASrcs, const std::vector<std::string>& ATgts,
               const std::string& ACellText, TMatchMode AMatchMode, bool ACaseSensitive, std::string& ANewText) {
  ANewText.clear();
  for (size_t I = 0; I < ASrcs.size(); ++I)
    if (MatchPair(ASrcs[I], ATgts[I], ACellText, AMatchMode, ACaseSensitive, ANewText)) return true;
  return false;
}

std::unique_ptr<TCellMatcher> MakeCellMatcher(const TMapping& AMapping, TMatchMode AMatchMode, bool ACaseSensitive) {
  return MakeIndexedMatcher(AMapping, AMatchMode, ACaseSensitive);
}

std::unique_ptr<TCellMatcher> MakeWalkMatcher(const TMapping& AMapping, TMatchMode AMatchMode, bool ACaseSensitive) {
  return std::make_unique<TWalkMatcher>(AMapping, AMatchMode, ACaseSensitive);
}

TMapping LoadSchemeMapping(const TScheme& AScheme) {
  const std::string CsvPath = AScheme.CsvFullPath();
  if (!FileExistsU(CsvPath)) RaiseReplaceError("re.no_csv", "\r\n" + CsvPath);

  TCsvData Csv;
  Csv.LoadFromFile(CsvPath);
  if (AScheme.SourceColumn > Csv.ColCount()) throw EReplaceError(FormatInt(TLang("re.source_col_err"), Csv.ColCount()));
  if (AScheme.TargetColumn > Csv.ColCount()) throw EReplaceError(FormatInt(TLang("re.target_col_err"), Csv.ColCount()));

  const int Start = (AScheme.HasHeader && Csv.RowCount() >= 1) ? 1 : 0;
  const int DataRows = Csv.RowCount() - Start;
  if (DataRows < 1) RaiseReplaceError("re.no_data_rows");

  TMapping Mapping;
  Mapping.Srcs.reserve(DataRows);
  Mapping.Tgts.reserve(DataRows);
  for (int K = 0; K < DataRows; ++K) {
    Mapping.Srcs.push_back(Trim(Csv.Cell(Start + K, AScheme.SourceColumn - 1)));
    Mapping.Tgts.push_back(Csv.Cell(Start + K, AScheme.TargetColumn - 1));
  }
  return Mapping;
}

TReplaceReport ExecuteReplace(const TAutoObject& AExcel, const TScheme* AScheme, const TReplaceOptions& AOptions) {
  TReplaceReport Rep;
  if (!AScheme) RaiseReplaceError("re.no_scheme");
  const TMapping Mapping = LoadSchemeMapping(*AScheme);
  const std::unique_ptr<TCellMatcher> Matcher = MakeCellMatcher(Mapping, AOptions.MatchMode, AOptions.CaseSensitive);

  TSelection Selection;
  try {
    Selection = host::ApplicationSelection(AExcel);
  } catch (...) {
    RaiseReplaceError("re.no_selection");
  }
  if (Selection.Empty) RaiseReplaceError("re.empty_selection");

  try {
    Rep.Areas = host::AreasCount(Selection.Range);
    for (int32_t I = 1; I <= Rep.Areas; ++I) ProcessArea(host::AreasItem(Selection.Range, I), *Matcher, AOptions, Rep);
  } catch (const EReplaceError&) {
    throw;
  } catch (...) {
    RaiseReplaceError("re.execute_fail", DescribeCurrentException().Message);
  }
  return Rep;
}

int64_t SelectionCellCount(const TAutoObject& AExcel) {
  try {
    const TSelection Selection = host::ApplicationSelection(AExcel);
    if (Selection.Empty) return -1;
    int64_t Total = 0;
    const int32_t Count = host::AreasCount(Selection.Range);
    for (int32_t I = 1; I <= Count; ++I) {
      const TAutoObject Area = host::AreasItem(Selection.Range, I);
      Total += host::RowsCount(Area) * host::ColumnsCount(Area);
    }
    return Total;
  } catch (...) {
    return -1;
  }
}

}  // namespace mvn
