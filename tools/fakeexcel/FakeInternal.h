// Shared by the workbook and the automation objects; not for users of the
// stand-in.
#pragma once
#include "fakeexcel/FakeExcel.h"

#include <string>
#include <string_view>
#include <vector>

namespace mvn::fake {

// A failed member call, carried from the member's code back to Invoke.
// AsException: report through EXCEPINFO (DISP_E_EXCEPTION); otherwise Code is
// returned as it is (argument errors such as DISP_E_TYPEMISMATCH).
struct TFail {
  HRESULT Code = HostError;
  std::wstring Message;
  bool AsException = true;
  UINT ArgErr = UINT(-1);  // rgvarg index of the offending argument
};

[[noreturn]] void Fail(std::wstring_view AMessage, HRESULT ACode = HostError);

// Larger areas are refused by a Value2 read (the array would not fit).
constexpr int64_t MaxValueCells = int64_t(1) << 24;

// What the automation objects may do with a workbook.
struct TBookAccess {
  static void Log(TWorkbook& ABook, const TCall& ACall) {
    if (ABook.FLogging) ABook.FCalls.push_back(ACall);
  }
  // Counts the call against every matching fault; throws TFail when one of
  // them says this call fails.
  static void CheckFaults(TWorkbook& ABook, const TCall& ACall);

  static TSelectionKind SelectionKind(const TWorkbook& ABook) { return ABook.FSelectionKind; }
  static const std::vector<TArea>& Selection(const TWorkbook& ABook) { return ABook.FSelection; }
  static const std::wstring& Version(const TWorkbook& ABook) { return ABook.FVersion; }
  static bool VersionFails(const TWorkbook& ABook) { return ABook.FVersionFails; }

  // Fills an empty VARIANT with the (cached) value of a cell.
  static void CellToVariant(const TWorkbook& ABook, int32_t ARow, int32_t AColumn, VARIANT* AOut);
  // Two-dimensional VT_VARIANT array [1..Rows][1..Columns] of the area.
  static SAFEARRAY* ReadArea(const TWorkbook& ABook, const TArea& AArea);
  // Replaces a cell with a constant, dropping its formula.
  static void WriteCell(TWorkbook& ABook, int32_t ARow, int32_t AColumn, const TValue& AValue) {
    ABook.PutValue(ARow, AColumn, AValue);
  }
  // The cells of AScope of the given SpecialCells type whose value kinds are
  // in AValueMask, as rectangles (rows of equal horizontal runs merged).
  // Empty when there is none.
  static std::vector<TArea> SpecialCells(const TWorkbook& ABook, const std::vector<TArea>& AScope,
                                         int32_t AType, int32_t AValueMask);

 private:
  static void StoredToVariant(const TWorkbook::TStored* AStored, VARIANT* AOut);
};

}  // namespace mvn::fake
