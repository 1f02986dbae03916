// The stand-in spreadsheet application, driven the way the add-in drives the
// real one: GetIDsOfNames and Invoke only, arguments passed last first.
#include <windows.h>
#include <oleauto.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/uUnicode.h"
#include "base/uComPtr.h"
#include "fakeexcel/FakeExcel.h"

namespace mvn::fake {

// Readable values in failure messages.
void PrintTo(const TArea& A, std::ostream* AOut) {
  *AOut << "{row " << A.Row << ", col " << A.Column << ", " << A.Rows << "x" << A.Columns << "}";
}
void PrintTo(const TCellRef& C, std::ostream* AOut) {
  *AOut << "(" << C.Row << ", " << C.Column << ")";
}

namespace {

// --- A small late-binding client ---------------------------------------------

VARIANT VInt(int32_t AValue) {
  VARIANT V;
  VariantInit(&V);
  V_VT(&V) = VT_I4;
  V_I4(&V) = AValue;
  return V;
}

VARIANT VDouble(double AValue) {
  VARIANT V;
  VariantInit(&V);
  V_VT(&V) = VT_R8;
  V_R8(&V) = AValue;
  return V;
}

VARIANT VStr(const wchar_t* AText) {
  VARIANT V;
  VariantInit(&V);
  V_VT(&V) = VT_BSTR;
  V_BSTR(&V) = SysAllocString(AText);
  return V;
}

VARIANT VMissing() {
  VARIANT V;
  VariantInit(&V);
  V_VT(&V) = VT_ERROR;
  V_ERROR(&V) = DISP_E_PARAMNOTFOUND;
  return V;
}

struct TOutcome {
  HRESULT Hr = E_FAIL;
  TVariant Value;
  std::wstring Source;
  std::wstring Description;
  SCODE Scode = 0;
  UINT ArgErr = UINT(-1);
};

// Calls AName on AObject with AArgs in their natural order; the arguments are
// cleared afterwards. A put passes its one argument as DISPID_PROPERTYPUT.
TOutcome Invoke(IDispatch* AObject, const wchar_t* AName, WORD AFlags,
                std::vector<VARIANT> AArgs = {}, bool AWithExcepInfo = true) {
  TOutcome Out;
  LPOLESTR Name = const_cast<LPOLESTR>(AName);
  DISPID Id = DISPID_UNKNOWN;
  Out.Hr = AObject->GetIDsOfNames(IID_NULL, &Name, 1, LOCALE_USER_DEFAULT, &Id);
  if (SUCCEEDED(Out.Hr)) {
    std::vector<VARIANT> Reversed(AArgs.rbegin(), AArgs.rend());
    DISPID PutId = DISPID_PROPERTYPUT;
    DISPPARAMS Params{Reversed.data(), nullptr, UINT(Reversed.size()), 0};
    if (AFlags & DISPATCH_PROPERTYPUT) {
      Params.rgdispidNamedArgs = &PutId;
      Params.cNamedArgs = 1;
    }
    EXCEPINFO Excep{};
    Out.Hr = AObject->Invoke(Id, IID_NULL, LOCALE_USER_DEFAULT, AFlags, &Params, Out.Value.Put(),
                             AWithExcepInfo ? &Excep : nullptr, &Out.ArgErr);
    if (Excep.bstrSource) Out.Source = Excep.bstrSource;
    if (Excep.bstrDescription) Out.Description = Excep.bstrDescription;
    Out.Scode = Excep.scode;
    SysFreeString(Excep.bstrSource);
    SysFreeString(Excep.bstrDescription);
    SysFreeString(Excep.bstrHelpFile);
  }
  for (VARIANT& V : AArgs) VariantClear(&V);
  return Out;
}

TOutcome GetProp(IDispatch* AObject, const wchar_t* AName, std::vector<VARIANT> AArgs = {}) {
  return Invoke(AObject, AName, DISPATCH_PROPERTYGET, std::move(AArgs));
}

TOutcome CallMethod(IDispatch* AObject, const wchar_t* AName, std::vector<VARIANT> AArgs = {}) {
  return Invoke(AObject, AName, DISPATCH_METHOD, std::move(AArgs));
}

TOutcome PutProp(IDispatch* AObject, const wchar_t* AName, VARIANT AValue) {
  return Invoke(AObject, AName, DISPATCH_PROPERTYPUT, {AValue});
}

std::string Describe(const TOutcome& AOut) {
  char Code[16];
  wsprintfA(Code, "0x%08lX", static_cast<unsigned long>(AOut.Hr));
  return std::string(Code) + " " + WideToUtf8(AOut.Description);
}

// The object a successful call answered; throws (failing the test) otherwise.
TComPtr<IDispatch> Object(TOutcome AOut) {
  if (FAILED(AOut.Hr)) throw std::runtime_error("call failed: " + Describe(AOut));
  if (AOut.Value.Type() != VT_DISPATCH || !V_DISPATCH(AOut.Value.Raw()))
    throw std::runtime_error("answer is not an object");
  return TComPtr<IDispatch>::Share(V_DISPATCH(AOut.Value.Raw()));
}

int32_t Int(TOutcome AOut) {
  if (FAILED(AOut.Hr)) throw std::runtime_error("call failed: " + Describe(AOut));
  if (AOut.Value.Type() != VT_I4) throw std::runtime_error("answer is not VT_I4");
  return V_I4(AOut.Value.Raw());
}

std::wstring Text(TOutcome AOut) {
  if (FAILED(AOut.Hr)) throw std::runtime_error("call failed: " + Describe(AOut));
  if (AOut.Value.Type() != VT_BSTR) throw std::runtime_error("answer is not VT_BSTR");
  return V_BSTR(AOut.Value.Raw());
}

// Row, Column, Rows.Count and Columns.Count of a range's first area.
TArea AreaOf(IDispatch* ARange) {
  return TArea{Int(GetProp(ARange, L"Row")), Int(GetProp(ARange, L"Column")),
               Int(GetProp(Object(GetProp(ARange, L"Rows")).Get(), L"Count")),
               Int(GetProp(Object(GetProp(ARange, L"Columns")).Get(), L"Count"))};
}

std::vector<TArea> AreasOf(IDispatch* ARange) {
  TComPtr<IDispatch> Areas = Object(GetProp(ARange, L"Areas"));
  std::vector<TArea> Result;
  const int32_t Count = Int(GetProp(Areas.Get(), L"Count"));
  for (int32_t I = 1; I <= Count; ++I)
    Result.push_back(AreaOf(Object(CallMethod(Areas.Get(), L"Item", {VInt(I)})).Get()));
  return Result;
}

// The value a cell should deliver through Value2.
struct TExpected {
  VARTYPE Type;
  std::wstring Text;
  double Number = 0;
  SCODE Scode = 0;
};

void ExpectVariant(const VARIANT& AValue, const TExpected& AWant) {
  ASSERT_EQ(V_VT(&AValue), AWant.Type);
  switch (AWant.Type) {
    case VT_BSTR: EXPECT_EQ(std::wstring(V_BSTR(&AValue)), AWant.Text); break;
    case VT_R8: EXPECT_EQ(V_R8(&AValue), AWant.Number); break;
    case VT_BOOL: EXPECT_EQ(V_BOOL(&AValue), AWant.Number ? VARIANT_TRUE : VARIANT_FALSE); break;
    case VT_ERROR: EXPECT_EQ(V_ERROR(&AValue), AWant.Scode); break;
    default: break;
  }
}

// Every test checks that it released every object it was handed.
class FakeExcelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FLiveBefore = LiveObjectCount();
    Book = std::make_shared<TWorkbook>();
    App = TComPtr<IDispatch>::Attach(CreateApplication(Book));
  }
  void TearDown() override {
    App.Reset();
    EXPECT_EQ(LiveObjectCount(), FLiveBefore) << "automation objects leaked";
  }

  TComPtr<IDispatch> Selection() { return Object(GetProp(App.Get(), L"Selection")); }

  std::shared_ptr<TWorkbook> Book;
  TComPtr<IDispatch> App;

 private:
  long FLiveBefore = 0;
};

// --- Values -----------------------------------------------------------------

TEST_F(FakeExcelTest, Value2OfAreaIsRowsByColumnsArrayOfEveryKind) {
  // B2:C4, three rows and two columns, so a transposed array shows.
  Book->SetText(2, 2, "Größe 中文");
  Book->SetNumber(2, 3, 1.5);
  Book->SetBool(3, 2, true);
  Book->SetError(3, 3, xlErrNA);
  // (4, 2) stays blank.
  Book->SetFormula(4, 3, "=C2*28", TValue::OfNumber(42));
  Book->SetText(1, 2, "outside");
  Book->SetText(5, 3, "outside");
  Book->Select(TArea{2, 2, 3, 2});

  TOutcome Out = GetProp(Selection().Get(), L"Value2");
  ASSERT_EQ(Out.Hr, S_OK) << Describe(Out);
  ASSERT_EQ(Out.Value.Type(), VT_ARRAY | VT_VARIANT);
  SAFEARRAY* Array = V_ARRAY(Out.Value.Raw());
  ASSERT_EQ(SafeArrayGetDim(Array), 2u);
  LONG Low = 0, High = 0;
  SafeArrayGetLBound(Array, 1, &Low);
  SafeArrayGetUBound(Array, 1, &High);
  EXPECT_EQ(Low, 1);
  EXPECT_EQ(High, 3) << "first dimension is the rows";
  SafeArrayGetLBound(Array, 2, &Low);
  SafeArrayGetUBound(Array, 2, &High);
  EXPECT_EQ(Low, 1);
  EXPECT_EQ(High, 2) << "second dimension is the columns";

  const TExpected Want[3][2] = {
      {{VT_BSTR, L"Größe 中文"}, {VT_R8, L"", 1.5}},
      {{VT_BOOL, L"", 1}, {VT_ERROR, L"", 0, static_cast<SCODE>(0x800A07FA)}},
      {{VT_EMPTY, L""}, {VT_R8, L"", 42}},
  };
  for (LONG R = 1; R <= 3; ++R)
    for (LONG C = 1; C <= 2; ++C) {
      SCOPED_TRACE(testing::Message() << "element [" << R << "][" << C << "]");
      LONG Index[2] = {R, C};
      TVariant Element;
      ASSERT_EQ(SafeArrayGetElement(Array, Index, Element.Put()), S_OK);
      ExpectVariant(Element.Value(), Want[R - 1][C - 1]);
    }
}

TEST_F(FakeExcelTest, Value2OfOneCellIsTheBareValue) {
  struct TCase {
    const char* Name;
    TValue Value;
    const char* Formula;
    TExpected Want;
  } Cases[] = {
      {"text", TValue::OfText("abc"), nullptr, {VT_BSTR, L"abc"}},
      {"number", TValue::OfNumber(-0.25), nullptr, {VT_R8, L"", -0.25}},
      {"false", TValue::OfBool(false), nullptr, {VT_BOOL, L"", 0}},
      {"div0", TValue::OfError(xlErrDiv0), nullptr, {VT_ERROR, L"", 0, ErrorScode(2007)}},
      {"blank", TValue{}, nullptr, {VT_EMPTY, L""}},
      {"formula", TValue::OfText("cached"), "=\"cached\"", {VT_BSTR, L"cached"}},
  };
  Book->Select(TArea{7, 5, 1, 1});
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    if (Case.Formula)
      Book->SetFormula(7, 5, Case.Formula, Case.Value);
    else
      Book->SetValue(7, 5, Case.Value);
    TOutcome Out = GetProp(Selection().Get(), L"Value2");
    ASSERT_EQ(Out.Hr, S_OK) << Describe(Out);
    ExpectVariant(Out.Value.Value(), Case.Want);
  }
}

// The benchmarks read areas of a million cells.
TEST_F(FakeExcelTest, Value2OfAMillionCellsIsFast) {
  for (int32_t R = 1; R <= 1000; ++R)
    for (int32_t C = 1; C <= 1000; ++C)
      if ((R + C) % 2)
        Book->SetNumber(R, C, R * 10000.0 + C);
      else
        Book->SetText(R, C, L"t");
  Book->Select(TArea{1, 1, 1000, 1000});
  TComPtr<IDispatch> Range = Selection();

  const auto Start = std::chrono::steady_clock::now();
  TOutcome Out = GetProp(Range.Get(), L"Value2");
  const auto Elapsed = std::chrono::steady_clock::now() - Start;
  ASSERT_EQ(Out.Hr, S_OK);
  // Generous for a shared machine; a per-cell slow path takes far longer.
  EXPECT_LT(Elapsed, std::chrono::seconds(2));
  LONG Index[2] = {1000, 999};
  TVariant Element;
  ASSERT_EQ(SafeArrayGetElement(V_ARRAY(Out.Value.Raw()), Index, Element.Put()), S_OK);
  ExpectVariant(Element.Value(), {VT_R8, L"", 10000999.0});
}

// --- Selection and areas ----------------------------------------------------

TEST_F(FakeExcelTest, AreasOfAThreeAreaSelection) {
  const std::vector<TArea> Areas = {{2, 2, 3, 2}, {10, 1, 1, 5}, {4, 8, 2, 2}};
  Book->Select(Areas);
  TComPtr<IDispatch> Range = Selection();

  EXPECT_EQ(AreasOf(Range.Get()), Areas);
  // Like the application, a multi-area range reports its first area's
  // position and size but counts the cells of all areas.
  EXPECT_EQ(AreaOf(Range.Get()), Areas[0]);
  EXPECT_EQ(Int(GetProp(Range.Get(), L"Count")), 6 + 5 + 4);

  TComPtr<IDispatch> Collection = Object(GetProp(Range.Get(), L"Areas"));
  // Item also as an indexed property get, and the index may come by reference
  // or as text, as a script client passes it.
  EXPECT_EQ(AreaOf(Object(GetProp(Collection.Get(), L"Item", {VInt(3)})).Get()), Areas[2]);
  LONG Index = 2;
  VARIANT ByRef;
  VariantInit(&ByRef);
  V_VT(&ByRef) = VT_BYREF | VT_I4;
  V_I4REF(&ByRef) = &Index;
  EXPECT_EQ(AreaOf(Object(CallMethod(Collection.Get(), L"Item", {ByRef})).Get()), Areas[1]);
  EXPECT_EQ(AreaOf(Object(CallMethod(Collection.Get(), L"Item", {VStr(L"1")})).Get()), Areas[0]);

  for (int32_t Bad : {0, 4}) {
    TOutcome Out = CallMethod(Collection.Get(), L"Item", {VInt(Bad)});
    EXPECT_EQ(Out.Hr, DISP_E_EXCEPTION) << Bad;
    EXPECT_EQ(Out.Source, L"Stand-in Excel");
    EXPECT_EQ(Out.Scode, HostError);
  }
}

TEST_F(FakeExcelTest, SelectionKinds) {
  Book->SelectNothing();
  TOutcome Out = GetProp(App.Get(), L"Selection");
  EXPECT_EQ(Out.Hr, S_OK);
  EXPECT_EQ(Out.Value.Type(), VT_EMPTY);

  Book->SelectNull();
  Out = GetProp(App.Get(), L"Selection");
  EXPECT_EQ(Out.Hr, S_OK);
  EXPECT_EQ(Out.Value.Type(), VT_NULL);

  Book->SelectChart();
  TComPtr<IDispatch> Chart = Selection();
  EXPECT_EQ(GetProp(Chart.Get(), L"Areas").Hr, DISP_E_UNKNOWNNAME);

  // A whole sheet: sizes are there, but nothing that needs every cell.
  Book->SelectWholeSheet();
  TComPtr<IDispatch> Sheet = Selection();
  EXPECT_EQ(AreaOf(Sheet.Get()), (TArea{1, 1, 1048576, 16384}));
  EXPECT_EQ(GetProp(Sheet.Get(), L"Count").Hr, DISP_E_EXCEPTION);
  EXPECT_EQ(GetProp(Sheet.Get(), L"Value2").Hr, DISP_E_EXCEPTION);
}

// --- SpecialCells -----------------------------------------------------------

TEST_F(FakeExcelTest, SpecialCellsFindsFormulaCells) {
  const TValue Cached = TValue::OfNumber(1);
  // A 2 x 2 block and a lone cell inside B2:D4, and one far outside.
  Book->SetFormula(2, 2, "=1", Cached);
  Book->SetFormula(2, 3, "=1", Cached);
  Book->SetFormula(3, 2, "=1", Cached);
  Book->SetFormula(3, 3, "=1", TValue::OfText("x"));
  Book->SetFormula(4, 4, "=1", Cached);
  Book->SetFormula(100, 6, "=1", Cached);
  Book->SetNumber(4, 2, 5);  // a constant is no formula

  struct TCase {
    const char* Name;
    TArea Range;
    int32_t Mask;  // 0: argument left out
    std::vector<TArea> Want;
  } Cases[] = {
      {"area", {2, 2, 3, 3}, 0, {{2, 2, 2, 2}, {4, 4, 1, 1}}},
      {"area, all kinds", {2, 2, 3, 3}, xlSpecValueMask, {{2, 2, 2, 2}, {4, 4, 1, 1}}},
      {"area, numbers only", {2, 2, 3, 3}, xlNumbers, {{2, 2, 1, 2}, {3, 2, 1, 1}, {4, 4, 1, 1}}},
      {"one cell answers for the sheet", {1, 1, 1, 1}, 0,
       {{2, 2, 2, 2}, {4, 4, 1, 1}, {100, 6, 1, 1}}},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Book->Select(Case.Range);
    std::vector<VARIANT> Args = {VInt(xlCellTypeFormulas)};
    if (Case.Mask) Args.push_back(VInt(Case.Mask));
    TComPtr<IDispatch> Found = Object(CallMethod(Selection().Get(), L"SpecialCells", Args));
    EXPECT_EQ(AreasOf(Found.Get()), Case.Want);
  }
}

TEST_F(FakeExcelTest, SpecialCellsWithoutFormulasFails) {
  Book->SetNumber(2, 2, 1);
  Book->SetFormula(9, 9, "=1", TValue::OfNumber(1));  // outside the area
  Book->Select(TArea{1, 1, 5, 5});
  TOutcome Out =
      CallMethod(Selection().Get(), L"SpecialCells", {VInt(xlCellTypeFormulas), VMissing()});
  EXPECT_EQ(Out.Hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Out.Description, L"No cells were found.");
  EXPECT_EQ(Out.Source, L"Stand-in Excel");
  EXPECT_EQ(Out.Scode, HostError);
  EXPECT_EQ(Out.Value.Type(), VT_EMPTY);
}

// --- Writing ----------------------------------------------------------------

TEST_F(FakeExcelTest, CellsItemPutReplacesValueAndFormula) {
  Book->SetFormula(3, 4, "=B2", TValue::OfText("old"));
  Book->SetNumber(4, 3, 7);
  Book->Select(TArea{2, 2, 3, 3});
  TComPtr<IDispatch> Cells = Object(GetProp(Selection().Get(), L"Cells"));

  // Item(row 2, column 3) from B2 is D3: the arguments arrive reversed.
  TComPtr<IDispatch> D3 = Object(CallMethod(Cells.Get(), L"Item", {VInt(2), VInt(3)}));
  EXPECT_EQ(AreaOf(D3.Get()), (TArea{3, 4, 1, 1}));
  TOutcome Out = PutProp(D3.Get(), L"Value2", VStr(L"新的"));
  ASSERT_EQ(Out.Hr, S_OK) << Describe(Out);
  TCell Cell = Book->Cell(3, 4);
  EXPECT_FALSE(Cell.HasFormula());
  EXPECT_EQ(Cell.Kind(), TCellKind::Text);
  EXPECT_EQ(Cell.TextU(), "新的");

  // An empty text leaves a blank cell, as in the application.
  TComPtr<IDispatch> C4 = Object(CallMethod(Cells.Get(), L"Item", {VInt(3), VInt(2)}));
  ASSERT_EQ(PutProp(C4.Get(), L"Value2", VStr(L"")).Hr, S_OK);
  EXPECT_EQ(Book->Cell(4, 3).Kind(), TCellKind::Empty);

  // Beyond the area is allowed; beyond the sheet is not.
  TComPtr<IDispatch> Beyond = Object(CallMethod(Cells.Get(), L"Item", {VInt(10), VInt(1)}));
  ASSERT_EQ(PutProp(Beyond.Get(), L"Value2", VDouble(2.5)).Hr, S_OK);
  EXPECT_EQ(Book->Cell(11, 2).Value, TValue::OfNumber(2.5));
  EXPECT_EQ(CallMethod(Cells.Get(), L"Item", {VInt(-1), VInt(1)}).Hr, DISP_E_EXCEPTION);

  // Several cells at once are not supported.
  EXPECT_EQ(PutProp(Cells.Get(), L"Value2", VStr(L"x")).Hr, DISP_E_EXCEPTION);

  EXPECT_EQ(Book->Writes(), (std::vector<TCellRef>{{3, 4}, {4, 3}, {11, 2}}));
}

// --- Call log ---------------------------------------------------------------

TEST_F(FakeExcelTest, CallLogRecordsEveryInvoke) {
  const TArea First{1, 1, 2, 2}, Second{5, 5, 1, 3};
  Book->Select({First, Second});
  {
    TComPtr<IDispatch> Range = Selection();
    TComPtr<IDispatch> Areas = Object(GetProp(Range.Get(), L"AREAS"));  // any case
    Int(GetProp(Areas.Get(), L"Count"));
    for (int32_t I = 1; I <= 2; ++I) {
      TComPtr<IDispatch> Area = Object(CallMethod(Areas.Get(), L"Item", {VInt(I)}));
      Int(GetProp(Object(GetProp(Area.Get(), L"Rows")).Get(), L"Count"));
      GetProp(Area.Get(), L"Value2");
    }
    TComPtr<IDispatch> Cell = Object(
        CallMethod(Object(GetProp(Range.Get(), L"Cells")).Get(), L"Item", {VInt(2), VInt(1)}));
    PutProp(Cell.Get(), L"Value2", VStr(L"w"));
  }

  using K = TCallKind;
  struct TWant {
    std::string_view Object, Member;
    TCallKind Kind;
    TArea Area;
  };
  const TArea None{0, 0, 0, 0}, A2{2, 1, 1, 1};
  const std::vector<TWant> Want = {
      {"Application", "Selection", K::Get, None},
      {"Range", "Areas", K::Get, First},
      {"Areas", "Count", K::Get, First},
      {"Areas", "Item", K::Method, First},
      {"Range", "Rows", K::Get, First},
      {"Rows", "Count", K::Get, First},
      {"Range", "Value2", K::Get, First},
      {"Areas", "Item", K::Method, First},
      {"Range", "Rows", K::Get, Second},
      {"Rows", "Count", K::Get, Second},
      {"Range", "Value2", K::Get, Second},
      {"Range", "Cells", K::Get, First},
      {"Range", "Item", K::Method, First},
      {"Range", "Value2", K::Put, A2},
  };
  const std::vector<TCall>& Calls = Book->Calls();
  ASSERT_EQ(Calls.size(), Want.size());
  for (size_t I = 0; I < Want.size(); ++I) {
    SCOPED_TRACE(I);
    EXPECT_EQ(Calls[I].Object, Want[I].Object);
    EXPECT_EQ(Calls[I].Member, Want[I].Member);
    EXPECT_EQ(Calls[I].Kind, Want[I].Kind);
    EXPECT_EQ(Calls[I].Area, Want[I].Area);
    EXPECT_EQ(Calls[I].Result, S_OK);
  }
  EXPECT_EQ(Book->CountCalls("Value2", K::Get), 2u);
  EXPECT_EQ(Book->CountCalls("Areas", "Item", K::Method), 2u);
  EXPECT_EQ(Book->CountCalls("Range", "Item", K::Method), 1u);
  EXPECT_EQ(Book->CountCallsOn(Second, "Value2", K::Get), 1u);
  EXPECT_EQ(Book->CountCallsOn(First, "value2", K::Get), 1u);
  EXPECT_EQ(Book->Writes(), (std::vector<TCellRef>{{2, 1}}));

  Book->ResetCalls();
  EXPECT_TRUE(Book->Calls().empty());
}

// --- Fault injection --------------------------------------------------------

TEST_F(FakeExcelTest, FaultsFailTheChosenCalls) {
  Book->Select(TArea{1, 1, 2, 2});
  TComPtr<IDispatch> Range = Selection();

  // Only the second read fails, with the test's message.
  Book->FailNth("Range", "Value2", TCallKind::Get, 2, "read refused");
  EXPECT_EQ(GetProp(Range.Get(), L"Value2").Hr, S_OK);
  TOutcome Out = GetProp(Range.Get(), L"Value2");
  EXPECT_EQ(Out.Hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Out.Description, L"read refused");
  EXPECT_EQ(Out.Scode, HostError);
  EXPECT_EQ(Out.Value.Type(), VT_EMPTY);
  EXPECT_EQ(GetProp(Range.Get(), L"Value2").Hr, S_OK);

  // A put on one chosen cell fails and leaves it alone; without EXCEPINFO
  // the caller gets the code itself.
  TFault Put;
  Put.Member = "Value2";
  Put.Kind = TCallKind::Put;
  Put.On = TArea{2, 2, 1, 1};
  Put.Code = E_ACCESSDENIED;
  Book->AddFault(Put);
  TComPtr<IDispatch> Cells = Object(GetProp(Range.Get(), L"Cells"));
  for (int32_t C = 1; C <= 2; ++C) {
    TComPtr<IDispatch> Cell = Object(CallMethod(Cells.Get(), L"Item", {VInt(2), VInt(C)}));
    const TOutcome Written = Invoke(Cell.Get(), L"Value2", DISPATCH_PROPERTYPUT, {VStr(L"v")},
                                    /*AWithExcepInfo=*/false);
    EXPECT_EQ(Written.Hr, C == 1 ? S_OK : E_ACCESSDENIED) << C;
  }
  EXPECT_EQ(Book->Cell(2, 1).TextU(), "v");
  EXPECT_EQ(Book->Cell(2, 2).Kind(), TCellKind::Empty);
  EXPECT_EQ(Book->Writes(), (std::vector<TCellRef>{{2, 1}}));

  // Every call, on any object kind.
  Book->FailAlways("", "Count", TCallKind::Get, "no count");
  EXPECT_EQ(GetProp(Object(GetProp(Range.Get(), L"Rows")).Get(), L"Count").Description,
            L"no count");
  EXPECT_EQ(GetProp(Range.Get(), L"Count").Description, L"no count");
  Book->FailAlways("Application", "Selection", TCallKind::Get, "no selection");
  EXPECT_EQ(GetProp(App.Get(), L"Selection").Description, L"no selection");

  Book->ClearFaults();
  EXPECT_EQ(Int(GetProp(Range.Get(), L"Count")), 4);
  EXPECT_EQ(GetProp(App.Get(), L"Selection").Hr, S_OK);
}

// --- The Application object -------------------------------------------------

TEST_F(FakeExcelTest, ApplicationMembers) {
  EXPECT_EQ(Text(GetProp(App.Get(), L"Version")), L"16.0");
  Book->SetVersion("11.0");
  EXPECT_EQ(Text(GetProp(App.Get(), L"Version")), L"11.0");
  Book->SetVersionFails(true);
  EXPECT_EQ(GetProp(App.Get(), L"Version").Hr, DISP_E_EXCEPTION);

  TOutcome Bars = GetProp(App.Get(), L"CommandBars");
  EXPECT_EQ(Bars.Hr, DISP_E_EXCEPTION);
  EXPECT_FALSE(Bars.Description.empty());

  TComPtr<IUnknown> Unknown;
  EXPECT_EQ(App->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(Unknown.Put())), S_OK);
  TComPtr<IDispatch> Dispatch;
  EXPECT_EQ(App->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(Dispatch.Put())), S_OK);
  // A caller that passes no result VARIANT gets no object to leak.
  LPOLESTR Name = const_cast<LPOLESTR>(L"Selection");
  DISPID Id = DISPID_UNKNOWN;
  ASSERT_EQ(App->GetIDsOfNames(IID_NULL, &Name, 1, 0, &Id), S_OK);
  DISPPARAMS NoArgs{nullptr, nullptr, 0, 0};
  const long Live = LiveObjectCount();
  EXPECT_EQ(App->Invoke(Id, IID_NULL, 0, DISPATCH_PROPERTYGET, &NoArgs, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(LiveObjectCount(), Live);

  void* Other = reinterpret_cast<void*>(1);
  EXPECT_EQ(App->QueryInterface(IID_IClassFactory, &Other), E_NOINTERFACE);
  EXPECT_EQ(Other, nullptr);
}

// Objects keep the workbook; a test that drops its own pointer still reads.
TEST_F(FakeExcelTest, ObjectsKeepTheWorkbookAlive) {
  Book->SetText(1, 1, "kept");
  std::weak_ptr<TWorkbook> Weak = Book;
  TComPtr<IDispatch> Range = Selection();
  App.Reset();
  Book.reset();
  ASSERT_FALSE(Weak.expired());
  EXPECT_EQ(Text(GetProp(Range.Get(), L"Value2")), L"kept");
  Range.Reset();
  EXPECT_TRUE(Weak.expired());
}

// --- Protocol errors ----------------------------------------------------------

TEST_F(FakeExcelTest, BadCallsAreRejected) {
  Book->Select({TArea{1, 1, 2, 2}, TArea{4, 4, 1, 1}});
  TComPtr<IDispatch> Range = Selection();
  TComPtr<IDispatch> Areas = Object(GetProp(Range.Get(), L"Areas"));

  struct TCase {
    const char* Name;
    IDispatch* Target;
    const wchar_t* Member;
    WORD Flags;
    std::vector<VARIANT> Args;
    HRESULT Want;
  };
  std::vector<TCase> Cases;
  Cases.push_back({"unknown name", Range.Get(), L"Formula", DISPATCH_PROPERTYGET, {},
                   DISP_E_UNKNOWNNAME});
  Cases.push_back({"Item without index", Areas.Get(), L"Item", DISPATCH_METHOD, {},
                   DISP_E_BADPARAMCOUNT});
  Cases.push_back({"Item with two indexes", Areas.Get(), L"Item", DISPATCH_METHOD,
                   {VInt(1), VInt(1)}, DISP_E_BADPARAMCOUNT});
  Cases.push_back({"Item with text", Areas.Get(), L"Item", DISPATCH_METHOD, {VStr(L"two")},
                   DISP_E_TYPEMISMATCH});
  Cases.push_back({"Item missing", Areas.Get(), L"Item", DISPATCH_METHOD, {VMissing()},
                   DISP_E_PARAMNOTOPTIONAL});
  Cases.push_back({"Cells.Item with one index", Range.Get(), L"Item", DISPATCH_METHOD, {VInt(1)},
                   DISP_E_BADPARAMCOUNT});
  Cases.push_back({"column as text", Range.Get(), L"Item", DISPATCH_METHOD,
                   {VInt(1), VStr(L"B")}, DISP_E_TYPEMISMATCH});
  Cases.push_back({"SpecialCells without type", Range.Get(), L"SpecialCells", DISPATCH_METHOD,
                   {}, DISP_E_BADPARAMCOUNT});
  Cases.push_back({"Count with an argument", Range.Get(), L"Count", DISPATCH_PROPERTYGET,
                   {VInt(1)}, DISP_E_BADPARAMCOUNT});
  Cases.push_back({"property called as method only", Range.Get(), L"Value2", DISPATCH_METHOD, {},
                   DISP_E_MEMBERNOTFOUND});
  Cases.push_back({"method read as property", Range.Get(), L"SpecialCells",
                   DISPATCH_PROPERTYGET, {VInt(xlCellTypeFormulas)}, DISP_E_MEMBERNOTFOUND});
  Cases.push_back({"put on read-only", Range.Get(), L"Row", DISPATCH_PROPERTYPUT, {VInt(3)},
                   DISP_E_MEMBERNOTFOUND});
  for (TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TOutcome Out = Invoke(Case.Target, Case.Member, Case.Flags, std::move(Case.Args));
    EXPECT_EQ(Out.Hr, Case.Want) << Describe(Out);
    EXPECT_EQ(Out.Value.Type(), VT_EMPTY);
  }

  // An object is no cell value.
  TComPtr<IDispatch> A1 = Object(CallMethod(Range.Get(), L"Item", {VInt(1), VInt(1)}));
  VARIANT ObjectArg;
  VariantInit(&ObjectArg);
  V_VT(&ObjectArg) = VT_DISPATCH;
  V_DISPATCH(&ObjectArg) = Areas.Get();
  Areas->AddRef();
  EXPECT_EQ(PutProp(A1.Get(), L"Value2", ObjectArg).Hr, DISP_E_TYPEMISMATCH);

  // The offending argument is named by its place in rgvarg (reversed).
  EXPECT_EQ(CallMethod(Range.Get(), L"Item", {VStr(L"A"), VInt(1)}).ArgErr, 1u);
  EXPECT_EQ(CallMethod(Range.Get(), L"Item", {VInt(1), VStr(L"A")}).ArgErr, 0u);

  // A put without its DISPID_PROPERTYPUT name, and a get with named arguments.
  DISPID Id = DISPID_UNKNOWN;
  LPOLESTR Name = const_cast<LPOLESTR>(L"Value2");
  ASSERT_EQ(Range->GetIDsOfNames(IID_NULL, &Name, 1, 0, &Id), S_OK);
  VARIANT Arg = VInt(1);
  DISPPARAMS Unnamed{&Arg, nullptr, 1, 0};
  EXPECT_EQ(Range->Invoke(Id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &Unnamed, nullptr, nullptr,
                          nullptr),
            DISP_E_PARAMNOTFOUND);
  DISPID Named = 7;
  DISPPARAMS WithNames{&Arg, &Named, 1, 1};
  TVariant Result;
  EXPECT_EQ(Range->Invoke(Id, IID_NULL, 0, DISPATCH_PROPERTYGET, &WithNames, Result.Put(),
                          nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  DISPPARAMS NoArgs{nullptr, nullptr, 0, 0};
  EXPECT_EQ(Range->Invoke(Id, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &NoArgs, Result.Put(),
                          nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  // A DISPID of another class is not a member of this one.
  Name = const_cast<LPOLESTR>(L"Count");
  ASSERT_EQ(Areas->GetIDsOfNames(IID_NULL, &Name, 1, 0, &Id), S_OK);
  EXPECT_EQ(Range->Invoke(Id, IID_NULL, 0, DISPATCH_PROPERTYGET, &NoArgs, Result.Put(), nullptr,
                          nullptr),
            DISP_E_MEMBERNOTFOUND);
  // Named parameters are not known.
  LPOLESTR Names[2] = {const_cast<LPOLESTR>(L"SpecialCells"), const_cast<LPOLESTR>(L"Type")};
  DISPID Ids[2] = {0, 0};
  EXPECT_EQ(Range->GetIDsOfNames(IID_NULL, Names, 2, 0, Ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Ids[1], DISPID_UNKNOWN);
}

}  // namespace
}  // namespace mvn::fake
