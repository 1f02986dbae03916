// A stand-in for the spreadsheet application, for tests, the demo and the
// benchmarks: one in-memory sheet behind an automation object model that is
// reached only through IDispatch (GetIDsOfNames + Invoke), the way the add-in
// reaches the real application by late binding.
//
// The workbook is not thread-safe: set it up and drive its objects from one
// thread, as the real application's objects are driven from its UI thread.
// Reference counts of the automation objects are atomic.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mvn::fake {

constexpr int32_t MaxRows = 1048576;
constexpr int32_t MaxColumns = 16384;

// Error values a cell can hold. Value2 delivers them as VT_ERROR with the
// scode ErrorScode(code).
constexpr int32_t xlErrNull = 2000;
constexpr int32_t xlErrDiv0 = 2007;
constexpr int32_t xlErrValue = 2015;
constexpr int32_t xlErrRef = 2023;
constexpr int32_t xlErrName = 2029;
constexpr int32_t xlErrNum = 2036;
constexpr int32_t xlErrNA = 2042;
constexpr SCODE ErrorScode(int32_t ACode) {
  return static_cast<SCODE>(0x800A0000u | static_cast<uint32_t>(ACode));
}

// SpecialCells arguments understood by the stand-in.
constexpr int32_t xlCellTypeConstants = 2;
constexpr int32_t xlCellTypeFormulas = -4123;
constexpr int32_t xlNumbers = 1;
constexpr int32_t xlTextValues = 2;
constexpr int32_t xlLogical = 4;
constexpr int32_t xlErrors = 16;
constexpr int32_t xlSpecValueMask = 23;  // all four

// The application's usual automation error; failures report it unless a
// fault says otherwise.
constexpr HRESULT HostError = static_cast<HRESULT>(0x800A03ECu);
// bstrSource of every EXCEPINFO the stand-in fills.
inline constexpr wchar_t ExceptionSource[] = L"Stand-in Excel";

enum class TCellKind { Empty, Text, Number, Bool, Error };

// A cell value; for a formula cell, its cached result.
struct TValue {
  TCellKind Kind = TCellKind::Empty;
  std::wstring Text;   // Text
  double Number = 0;   // Number
  bool Bool = false;   // Bool
  int32_t Error = 0;   // Error: xlErrNA and the like

  static TValue OfText(std::string_view AUtf8);
  static TValue OfText(std::wstring_view AText);
  static TValue OfNumber(double ANumber);
  static TValue OfBool(bool ABool);
  static TValue OfError(int32_t ACode);

  std::string TextU() const;  // Text as UTF-8, empty for other kinds
  bool operator==(const TValue&) const = default;
};

struct TCell {
  TValue Value;          // the constant, or the formula's cached result
  std::wstring Formula;  // empty for a constant cell

  bool HasFormula() const { return !Formula.empty(); }
  TCellKind Kind() const { return Value.Kind; }
  std::string TextU() const { return Value.TextU(); }
  std::string FormulaU() const;
};

// A rectangle of cells; sheet coordinates, 1-based.
struct TArea {
  int32_t Row = 1;
  int32_t Column = 1;
  int32_t Rows = 1;
  int32_t Columns = 1;

  int64_t CellCount() const { return int64_t(Rows) * Columns; }
  bool Contains(int32_t ARow, int32_t AColumn) const {
    return ARow >= Row && ARow < Row + Rows && AColumn >= Column && AColumn < Column + Columns;
  }
  bool operator==(const TArea&) const = default;
};

struct TCellRef {
  int32_t Row = 0;
  int32_t Column = 0;
  bool operator==(const TCellRef&) const = default;
};

enum class TSelectionKind {
  Range,    // Selection answers a range of SelectionAreas()
  Nothing,  // Selection answers VT_EMPTY
  Null,     // Selection answers VT_NULL
  Chart,    // Selection answers an object that is not a range (no Areas)
};

enum class TCallKind { Get, Put, Method };

// One Invoke that reached a member. Object is the class as the log names it:
// "Application", "Range" (Cells, Item and SpecialCells answer ranges too),
// "Areas", "Rows", "Columns", "Chart". Member is spelt as in the member table
// ("Value2", "Count", "Item", ...), whatever case the caller used.
struct TCall {
  std::string_view Object;
  std::string_view Member;
  TCallKind Kind = TCallKind::Get;
  // For calls on a range (and on its Areas, Rows and Columns objects): the
  // range's first area. For a Value2 put that is the written cell.
  TArea Area{0, 0, 0, 0};
  HRESULT Result = S_OK;  // what Invoke returned

  bool Failed() const { return FAILED(Result); }
};

// Makes calls fail as if the application refused them. A call matches when
// Object (empty: any class), Member (case-insensitive) and Kind agree and,
// when On is set, the call is on a range whose first area is On. Matching
// calls are counted from the moment the fault is added; calls First ..
// First + Times - 1 fail (Times 0: every call from First on). A failing call
// returns DISP_E_EXCEPTION with Message and Code in its EXCEPINFO (or Code
// itself when the caller passes no EXCEPINFO) and does nothing else.
struct TFault {
  std::string Object;
  std::string Member;
  TCallKind Kind = TCallKind::Get;
  std::optional<TArea> On;
  int First = 1;
  int Times = 0;
  std::string Message = "Fault injected by the test.";
  HRESULT Code = HostError;
};

class TWorkbook {
 public:
  TWorkbook();
  ~TWorkbook();
  TWorkbook(const TWorkbook&) = delete;
  TWorkbook& operator=(const TWorkbook&) = delete;

  // --- Cells. Coordinates outside the sheet throw std::out_of_range.
  // Every setter replaces the cell, formula included.
  void SetText(int32_t ARow, int32_t AColumn, std::string_view AUtf8);
  void SetText(int32_t ARow, int32_t AColumn, std::wstring_view AText);
  void SetNumber(int32_t ARow, int32_t AColumn, double ANumber);
  void SetBool(int32_t ARow, int32_t AColumn, bool ABool);
  void SetError(int32_t ARow, int32_t AColumn, int32_t ACode);
  void SetValue(int32_t ARow, int32_t AColumn, const TValue& AValue);
  // AFormula must not be empty (std::invalid_argument).
  void SetFormula(int32_t ARow, int32_t AColumn, std::string_view AFormula,
                  const TValue& ACached);
  void Clear(int32_t ARow, int32_t AColumn);
  void ClearAll();
  TCell Cell(int32_t ARow, int32_t AColumn) const;
  // Cells that hold a value or a formula.
  size_t UsedCellCount() const;

  // --- Selection. The default is the single cell A1. Areas outside the
  // sheet, or an empty list, throw std::out_of_range.
  void Select(const TArea& AArea);
  void Select(std::vector<TArea> AAreas);
  void SelectWholeSheet();
  void SelectNothing();
  void SelectNull();
  void SelectChart();
  TSelectionKind SelectionKind() const { return FSelectionKind; }
  const std::vector<TArea>& SelectionAreas() const { return FSelection; }

  // --- Application.
  void SetVersion(std::string_view AVersion);  // default "16.0"
  void SetVersionFails(bool AFails) { FVersionFails = AFails; }

  // --- Call log. Logging is on by default; benchmarks may switch it off.
  void SetLogging(bool AOn) { FLogging = AOn; }
  const std::vector<TCall>& Calls() const { return FCalls; }
  void ResetCalls() { FCalls.clear(); }
  size_t CountCalls(std::string_view AMember, TCallKind AKind) const;
  size_t CountCalls(std::string_view AObject, std::string_view AMember, TCallKind AKind) const;
  // Calls on ranges whose first area is AArea.
  size_t CountCallsOn(const TArea& AArea, std::string_view AMember, TCallKind AKind) const;
  // Cells written by successful Value2 puts, in call order.
  std::vector<TCellRef> Writes() const;

  // --- Fault injection.
  void AddFault(TFault AFault);
  void FailAlways(std::string_view AObject, std::string_view AMember, TCallKind AKind,
                  std::string_view AMessage);
  void FailNth(std::string_view AObject, std::string_view AMember, TCallKind AKind, int ANth,
               std::string_view AMessage);
  void ClearFaults() { FFaults.clear(); }

 private:
  friend struct TBookAccess;  // the automation objects

  struct TStored {
    TCellKind Kind = TCellKind::Empty;
    int32_t Error = 0;  // also the Boolean
    double Number = 0;
    std::wstring Text;
  };
  struct TFaultState {
    TFault Fault;
    int Seen = 0;
  };

  static uint64_t Key(int32_t ARow, int32_t AColumn) {
    return (uint64_t(uint32_t(ARow)) << 32) | uint32_t(AColumn);
  }
  static int32_t KeyRow(uint64_t AKey) { return int32_t(AKey >> 32); }
  static int32_t KeyColumn(uint64_t AKey) { return int32_t(AKey & 0xFFFFFFFFu); }

  void PutValue(int32_t ARow, int32_t AColumn, const TValue& AValue);
  TValue ValueAt(uint64_t AKey) const;

  std::unordered_map<uint64_t, TStored> FValues;     // non-empty values
  std::unordered_map<uint64_t, std::wstring> FFormulas;
  TSelectionKind FSelectionKind = TSelectionKind::Range;
  std::vector<TArea> FSelection{TArea{}};
  std::wstring FVersion = L"16.0";
  bool FVersionFails = false;
  bool FLogging = true;
  std::vector<TCall> FCalls;
  std::vector<TFaultState> FFaults;
};

// The Application object, with one reference for the caller. Every object it
// hands out keeps ABook alive.
IDispatch* CreateApplication(std::shared_ptr<TWorkbook> ABook);

// Automation objects of the stand-in that are alive now, across all
// workbooks: a test compares it before and after to find leaked references.
long LiveObjectCount();

}  // namespace mvn::fake
