#include "fakeexcel/FakeExcel.h"

#include <algorithm>
#include <map>
#include <new>
#include <stdexcept>
#include <utility>

#include "base/uUnicode.h"
#include "fakeexcel/FakeInternal.h"

namespace mvn::fake {

namespace {

void CheckCell(int32_t ARow, int32_t AColumn) {
  if (ARow < 1 || ARow > MaxRows || AColumn < 1 || AColumn > MaxColumns)
    throw std::out_of_range("cell outside the sheet: row " + std::to_string(ARow) + ", column " +
                            std::to_string(AColumn));
}

void CheckArea(const TArea& AArea) {
  if (AArea.Rows < 1 || AArea.Columns < 1) throw std::out_of_range("area without cells");
  CheckCell(AArea.Row, AArea.Column);
  CheckCell(AArea.Row + (AArea.Rows - 1), AArea.Column + (AArea.Columns - 1));
}

bool EqualsNoCase(std::string_view A, std::string_view B) {
  return std::equal(A.begin(), A.end(), B.begin(), B.end(), [](char X, char Y) {
    return (X >= 'A' && X <= 'Z' ? X + 32 : X) == (Y >= 'A' && Y <= 'Z' ? Y + 32 : Y);
  });
}

// The SpecialCells value-mask bit a value belongs to. A formula whose cached
// value is empty counts as text: formulas yield "" rather than a blank.
int32_t ValueMaskBit(TCellKind AKind) {
  switch (AKind) {
    case TCellKind::Number: return xlNumbers;
    case TCellKind::Bool: return xlLogical;
    case TCellKind::Error: return xlErrors;
    case TCellKind::Text:
    case TCellKind::Empty: break;
  }
  return xlTextValues;
}

}  // namespace

[[noreturn]] void Fail(std::wstring_view AMessage, HRESULT ACode) {
  throw TFail{ACode, std::wstring(AMessage), true, UINT(-1)};
}

// --- TValue / TCell ---------------------------------------------------------

TValue TValue::OfText(std::string_view AUtf8) { return OfText(std::wstring_view(Utf8ToWide(AUtf8))); }

TValue TValue::OfText(std::wstring_view AText) {
  TValue V;
  V.Kind = TCellKind::Text;
  V.Text = AText;
  return V;
}

TValue TValue::OfNumber(double ANumber) {
  TValue V;
  V.Kind = TCellKind::Number;
  V.Number = ANumber;
  return V;
}

TValue TValue::OfBool(bool ABool) {
  TValue V;
  V.Kind = TCellKind::Bool;
  V.Bool = ABool;
  return V;
}

TValue TValue::OfError(int32_t ACode) {
  TValue V;
  V.Kind = TCellKind::Error;
  V.Error = ACode;
  return V;
}

std::string TValue::TextU() const { return Kind == TCellKind::Text ? WideToUtf8(Text) : std::string(); }

std::string TCell::FormulaU() const { return WideToUtf8(Formula); }

// --- Cells ------------------------------------------------------------------

TWorkbook::TWorkbook() = default;
TWorkbook::~TWorkbook() = default;

void TWorkbook::PutValue(int32_t ARow, int32_t AColumn, const TValue& AValue) {
  CheckCell(ARow, AColumn);
  const uint64_t K = Key(ARow, AColumn);
  FFormulas.erase(K);
  if (AValue.Kind == TCellKind::Empty) {
    FValues.erase(K);
    return;
  }
  TStored S;
  S.Kind = AValue.Kind;
  switch (AValue.Kind) {
    case TCellKind::Text: S.Text = AValue.Text; break;
    case TCellKind::Number: S.Number = AValue.Number; break;
    case TCellKind::Bool: S.Error = AValue.Bool ? 1 : 0; break;
    case TCellKind::Error: S.Error = AValue.Error; break;
    case TCellKind::Empty: break;
  }
  FValues[K] = std::move(S);
}

TValue TWorkbook::ValueAt(uint64_t AKey) const {
  TValue V;
  auto It = FValues.find(AKey);
  if (It == FValues.end()) return V;
  const TStored& S = It->second;
  V.Kind = S.Kind;
  switch (S.Kind) {
    case TCellKind::Text: V.Text = S.Text; break;
    case TCellKind::Number: V.Number = S.Number; break;
    case TCellKind::Bool: V.Bool = S.Error != 0; break;
    case TCellKind::Error: V.Error = S.Error; break;
    case TCellKind::Empty: break;
  }
  return V;
}

void TWorkbook::SetText(int32_t ARow, int32_t AColumn, std::string_view AUtf8) {
  PutValue(ARow, AColumn, TValue::OfText(AUtf8));
}

void TWorkbook::SetText(int32_t ARow, int32_t AColumn, std::wstring_view AText) {
  PutValue(ARow, AColumn, TValue::OfText(AText));
}

void TWorkbook::SetNumber(int32_t ARow, int32_t AColumn, double ANumber) {
  PutValue(ARow, AColumn, TValue::OfNumber(ANumber));
}

void TWorkbook::SetBool(int32_t ARow, int32_t AColumn, bool ABool) {
  PutValue(ARow, AColumn, TValue::OfBool(ABool));
}

void TWorkbook::SetError(int32_t ARow, int32_t AColumn, int32_t ACode) {
  PutValue(ARow, AColumn, TValue::OfError(ACode));
}

void TWorkbook::SetValue(int32_t ARow, int32_t AColumn, const TValue& AValue) {
  PutValue(ARow, AColumn, AValue);
}

void TWorkbook::SetFormula(int32_t ARow, int32_t AColumn, std::string_view AFormula,
                           const TValue& ACached) {
  if (AFormula.empty()) throw std::invalid_argument("a formula cell needs a formula");
  PutValue(ARow, AColumn, ACached);
  FFormulas[Key(ARow, AColumn)] = Utf8ToWide(AFormula);
}

void TWorkbook::Clear(int32_t ARow, int32_t AColumn) { PutValue(ARow, AColumn, TValue{}); }

void TWorkbook::ClearAll() {
  FValues.clear();
  FFormulas.clear();
}

TCell TWorkbook::Cell(int32_t ARow, int32_t AColumn) const {
  CheckCell(ARow, AColumn);
  const uint64_t K = Key(ARow, AColumn);
  TCell C;
  C.Value = ValueAt(K);
  if (auto It = FFormulas.find(K); It != FFormulas.end()) C.Formula = It->second;
  return C;
}

size_t TWorkbook::UsedCellCount() const {
  size_t N = FValues.size();
  for (const auto& [K, F] : FFormulas)
    if (!FValues.count(K)) ++N;
  return N;
}

// --- Selection and application ---------------------------------------------

void TWorkbook::Select(const TArea& AArea) { Select(std::vector<TArea>{AArea}); }

void TWorkbook::Select(std::vector<TArea> AAreas) {
  if (AAreas.empty()) throw std::out_of_range("a range selection needs at least one area");
  for (const TArea& A : AAreas) CheckArea(A);
  FSelection = std::move(AAreas);
  FSelectionKind = TSelectionKind::Range;
}

void TWorkbook::SelectWholeSheet() { Select(TArea{1, 1, MaxRows, MaxColumns}); }
void TWorkbook::SelectNothing() { FSelectionKind = TSelectionKind::Nothing; }
void TWorkbook::SelectNull() { FSelectionKind = TSelectionKind::Null; }
void TWorkbook::SelectChart() { FSelectionKind = TSelectionKind::Chart; }

void TWorkbook::SetVersion(std::string_view AVersion) { FVersion = Utf8ToWide(AVersion); }

// --- Call log and faults ----------------------------------------------------

size_t TWorkbook::CountCalls(std::string_view AMember, TCallKind AKind) const {
  return size_t(std::count_if(FCalls.begin(), FCalls.end(), [&](const TCall& C) {
    return C.Kind == AKind && EqualsNoCase(C.Member, AMember);
  }));
}

size_t TWorkbook::CountCalls(std::string_view AObject, std::string_view AMember,
                             TCallKind AKind) const {
  return size_t(std::count_if(FCalls.begin(), FCalls.end(), [&](const TCall& C) {
    return C.Kind == AKind && EqualsNoCase(C.Object, AObject) && EqualsNoCase(C.Member, AMember);
  }));
}

size_t TWorkbook::CountCallsOn(const TArea& AArea, std::string_view AMember,
                               TCallKind AKind) const {
  return size_t(std::count_if(FCalls.begin(), FCalls.end(), [&](const TCall& C) {
    return C.Kind == AKind && C.Area == AArea && EqualsNoCase(C.Member, AMember);
  }));
}

std::vector<TCellRef> TWorkbook::Writes() const {
  std::vector<TCellRef> Result;
  for (const TCall& C : FCalls)
    if (C.Kind == TCallKind::Put && C.Member == "Value2" && !C.Failed())
      Result.push_back({C.Area.Row, C.Area.Column});
  return Result;
}

void TWorkbook::AddFault(TFault AFault) { FFaults.push_back({std::move(AFault), 0}); }

void TWorkbook::FailAlways(std::string_view AObject, std::string_view AMember, TCallKind AKind,
                           std::string_view AMessage) {
  TFault F;
  F.Object = AObject;
  F.Member = AMember;
  F.Kind = AKind;
  F.Message = AMessage;
  AddFault(std::move(F));
}

void TWorkbook::FailNth(std::string_view AObject, std::string_view AMember, TCallKind AKind,
                        int ANth, std::string_view AMessage) {
  TFault F;
  F.Object = AObject;
  F.Member = AMember;
  F.Kind = AKind;
  F.First = ANth;
  F.Times = 1;
  F.Message = AMessage;
  AddFault(std::move(F));
}

void TBookAccess::CheckFaults(TWorkbook& ABook, const TCall& ACall) {
  const TFault* Hit = nullptr;
  for (TWorkbook::TFaultState& S : ABook.FFaults) {
    const TFault& F = S.Fault;
    if (F.Kind != ACall.Kind || !EqualsNoCase(F.Member, ACall.Member)) continue;
    if (!F.Object.empty() && !EqualsNoCase(F.Object, ACall.Object)) continue;
    if (F.On && !(*F.On == ACall.Area)) continue;
    ++S.Seen;
    if (!Hit && S.Seen >= F.First && (F.Times == 0 || S.Seen < F.First + F.Times)) Hit = &F;
  }
  if (Hit) Fail(Utf8ToWide(Hit->Message), Hit->Code);
}

// --- Values for the automation objects --------------------------------------

void TBookAccess::StoredToVariant(const TWorkbook::TStored* AStored, VARIANT* AOut) {
  VariantInit(AOut);
  if (!AStored) return;
  switch (AStored->Kind) {
    case TCellKind::Empty: break;
    case TCellKind::Text: {
      BSTR S = SysAllocStringLen(AStored->Text.data(), UINT(AStored->Text.size()));
      if (!S) throw std::bad_alloc();
      V_VT(AOut) = VT_BSTR;
      V_BSTR(AOut) = S;
      break;
    }
    case TCellKind::Number:
      V_VT(AOut) = VT_R8;
      V_R8(AOut) = AStored->Number;
      break;
    case TCellKind::Bool:
      V_VT(AOut) = VT_BOOL;
      V_BOOL(AOut) = AStored->Error ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case TCellKind::Error:
      V_VT(AOut) = VT_ERROR;
      V_ERROR(AOut) = ErrorScode(AStored->Error);
      break;
  }
}

void TBookAccess::CellToVariant(const TWorkbook& ABook, int32_t ARow, int32_t AColumn,
                                VARIANT* AOut) {
  auto It = ABook.FValues.find(TWorkbook::Key(ARow, AColumn));
  StoredToVariant(It == ABook.FValues.end() ? nullptr : &It->second, AOut);
}

SAFEARRAY* TBookAccess::ReadArea(const TWorkbook& ABook, const TArea& AArea) {
  if (AArea.CellCount() > MaxValueCells) Fail(L"Not enough memory to read the values.", E_OUTOFMEMORY);
  // The first bound is the leftmost index, rows; the data is column-major.
  SAFEARRAYBOUND Bounds[2] = {{ULONG(AArea.Rows), 1}, {ULONG(AArea.Columns), 1}};
  SAFEARRAY* Array = SafeArrayCreate(VT_VARIANT, 2, Bounds);
  if (!Array) throw std::bad_alloc();
  VARIANT* Data = nullptr;
  if (FAILED(SafeArrayAccessData(Array, reinterpret_cast<void**>(&Data)))) {
    SafeArrayDestroy(Array);
    throw std::bad_alloc();
  }
  auto At = [&](int32_t ARow, int32_t AColumn) -> VARIANT* {
    return Data + (size_t(AColumn - AArea.Column) * size_t(AArea.Rows) + size_t(ARow - AArea.Row));
  };
  try {
    // The array starts all VT_EMPTY; visit whichever is smaller, the area or
    // the stored cells.
    if (size_t(AArea.CellCount()) <= ABook.FValues.size()) {
      for (int32_t C = AArea.Column; C < AArea.Column + AArea.Columns; ++C)
        for (int32_t R = AArea.Row; R < AArea.Row + AArea.Rows; ++R) {
          auto It = ABook.FValues.find(TWorkbook::Key(R, C));
          if (It != ABook.FValues.end()) StoredToVariant(&It->second, At(R, C));
        }
    } else {
      for (const auto& [K, S] : ABook.FValues) {
        const int32_t R = TWorkbook::KeyRow(K), C = TWorkbook::KeyColumn(K);
        if (AArea.Contains(R, C)) StoredToVariant(&S, At(R, C));
      }
    }
  } catch (...) {
    SafeArrayUnaccessData(Array);
    SafeArrayDestroy(Array);
    throw;
  }
  SafeArrayUnaccessData(Array);
  return Array;
}

std::vector<TArea> TBookAccess::SpecialCells(const TWorkbook& ABook,
                                             const std::vector<TArea>& AScope, int32_t AType,
                                             int32_t AValueMask) {
  const bool Formulas = AType == xlCellTypeFormulas;
  auto Wanted = [&](uint64_t K) {
    const bool IsFormula = ABook.FFormulas.count(K) != 0;
    auto It = ABook.FValues.find(K);
    if (Formulas) {
      if (!IsFormula) return false;
    } else if (IsFormula || It == ABook.FValues.end()) {
      return false;
    }
    const TCellKind Kind = It == ABook.FValues.end() ? TCellKind::Empty : It->second.Kind;
    return (ValueMaskBit(Kind) & AValueMask) != 0;
  };

  std::vector<uint64_t> Keys;
  auto Collect = [&](const TArea& AArea, const auto& AStore) {
    if (size_t(AArea.CellCount()) <= AStore.size()) {
      for (int32_t R = AArea.Row; R < AArea.Row + AArea.Rows; ++R)
        for (int32_t C = AArea.Column; C < AArea.Column + AArea.Columns; ++C) {
          const uint64_t K = TWorkbook::Key(R, C);
          if (AStore.count(K) && Wanted(K)) Keys.push_back(K);
        }
    } else {
      for (const auto& Entry : AStore) {
        const uint64_t K = Entry.first;
        if (AArea.Contains(TWorkbook::KeyRow(K), TWorkbook::KeyColumn(K)) && Wanted(K))
          Keys.push_back(K);
      }
    }
  };
  for (const TArea& A : AScope) {
    if (Formulas)
      Collect(A, ABook.FFormulas);
    else
      Collect(A, ABook.FValues);
  }
  // Row-major order, since the key holds the row in its upper half.
  std::sort(Keys.begin(), Keys.end());
  Keys.erase(std::unique(Keys.begin(), Keys.end()), Keys.end());

  std::vector<TArea> Result;
  // Rectangle that ended on the previous row, by (column, width), to grow
  // downwards when the next row has the same run.
  std::map<std::pair<int32_t, int32_t>, size_t> Open;
  for (size_t I = 0; I < Keys.size();) {
    const int32_t Row = TWorkbook::KeyRow(Keys[I]);
    const int32_t Column = TWorkbook::KeyColumn(Keys[I]);
    size_t J = I + 1;
    while (J < Keys.size() && Keys[J] == Keys[J - 1] + 1 && TWorkbook::KeyRow(Keys[J]) == Row) ++J;
    const int32_t Width = int32_t(J - I);
    auto It = Open.find({Column, Width});
    if (It != Open.end() && Result[It->second].Row + Result[It->second].Rows == Row) {
      ++Result[It->second].Rows;
    } else {
      Result.push_back({Row, Column, 1, Width});
      Open[{Column, Width}] = Result.size() - 1;
    }
    I = J;
  }
  return Result;
}

}  // namespace mvn::fake
