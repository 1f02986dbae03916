// The one module that talks to the spreadsheet host. Every member of the
// host's object model the add-in uses is called here, by late-bound
// IDispatch calls; the rest of the add-in never calls Invoke itself.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/uComPtr.h"
#include "base/uExcept.h"

namespace mvn {

// A host call that failed; the message is the host's own description.
class EHostError : public Exception {
 public:
  EHostError(std::string AMessage, HRESULT ACode) : Exception(std::move(AMessage)), FCode(ACode) {}
  const char* ClassName() const noexcept override { return "EOleException"; }
  HRESULT Code() const noexcept { return FCode; }

 private:
  HRESULT FCode;
};

// An automation object of the host, called by member name.
class TAutoObject {
 public:
  TAutoObject() = default;
  explicit TAutoObject(TComPtr<IDispatch> ADispatch) : FDispatch(std::move(ADispatch)) {}
  static TAutoObject Share(IDispatch* ADispatch) { return TAutoObject(TComPtr<IDispatch>::Share(ADispatch)); }

  IDispatch* Get() const noexcept { return FDispatch.Get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(FDispatch); }

  // Property read (or method call without result kind preference); AArgs in
  // natural order. Raises EHostError.
  TVariant GetProp(const wchar_t* AName, const std::vector<TVariant>& AArgs = {}) const;
  void PutProp(const wchar_t* AName, const TVariant& AValue, const std::vector<TVariant>& AArgs = {}) const;
  TVariant CallMethod(const wchar_t* AName, const std::vector<TVariant>& AArgs = {}) const;
  // A property that must answer an object; raises EHostError otherwise.
  TAutoObject GetObject(const wchar_t* AName, const std::vector<TVariant>& AArgs = {}) const;
  int64_t GetInt64(const wchar_t* AName) const;

 private:
  TVariant Invoke(const wchar_t* AName, WORD AFlags, const std::vector<TVariant>& AArgs, bool APut) const;

  TComPtr<IDispatch> FDispatch;
};

// The answer of Application.Selection: absent when nothing is selected.
struct TSelection {
  bool Empty = true;
  TAutoObject Range;  // set when not Empty
};

namespace host {

// Formula query arguments: formulas, with values of every kind.
constexpr LONG xlCellTypeFormulas = -4123;
constexpr LONG xlSpecValueMask = 23;

std::string ApplicationVersion(const TAutoObject& AExcel);
TSelection ApplicationSelection(const TAutoObject& AExcel);
TAutoObject ApplicationCommandBars(const TAutoObject& AExcel);

int32_t AreasCount(const TAutoObject& ARange);
TAutoObject AreasItem(const TAutoObject& ARange, int32_t AIndex);
int64_t RowsCount(const TAutoObject& ARange);
int64_t ColumnsCount(const TAutoObject& ARange);
int64_t RangeRow(const TAutoObject& ARange);
int64_t RangeColumn(const TAutoObject& ARange);
// Several cells: a 2-D array with bounds from 1; one cell: the bare value.
TVariant ReadValue2(const TAutoObject& ARange);
// Cells.Item(ARow, ACol).Value2 = AText, counted from the range's top-left.
void WriteCellText(const TAutoObject& ARange, int32_t ARow, int32_t ACol, const std::wstring& AText);
// Raises EHostError when the range holds no such cell.
TAutoObject SpecialCells(const TAutoObject& ARange, LONG AType, LONG AValue);

}  // namespace host

// Reads a 2-D value block from the host without copying each element.
class TValueBlock {
 public:
  // Takes a VT_ARRAY value of two dimensions; raises Exception otherwise.
  explicit TValueBlock(const VARIANT& AArray);
  ~TValueBlock();
  TValueBlock(const TValueBlock&) = delete;
  TValueBlock& operator=(const TValueBlock&) = delete;

  int64_t Rows() const { return FRows; }
  int64_t Cols() const { return FCols; }
  // 1-based row and column of the area.
  const VARIANT& At(int64_t ARow, int64_t ACol) const;

 private:
  SAFEARRAY* FArray = nullptr;
  const VARIANT* FData = nullptr;
  int64_t FRows = 0;
  int64_t FCols = 0;
};

}  // namespace mvn
