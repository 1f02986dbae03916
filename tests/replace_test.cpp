// Batch Replace against the stand-in spreadsheet, through real IDispatch calls.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/uReplace.h"
#include "engine/uStrUtil.h"
#include "engine/uUtils.h"
#include "fakeexcel/FakeExcel.h"
#include "i18n/uTranslator.h"
#include "store/uUtils.h"
#include "support/TestSupport.h"

namespace mvn {
namespace {

using fake::TArea;
using fake::TCallKind;
using fake::TValue;

// A data folder with one mapping file, a scheme on it and a stand-in
// application with an empty sheet.
class ReplaceTest : public ::testing::Test {
 public:
  ReplaceTest() : Data("数据 目录"), Book(std::make_shared<fake::TWorkbook>()) {
    SetCustomDataDir(Data.Path());
    Excel = TAutoObject(TComPtr<IDispatch>::Attach(fake::CreateApplication(Book)));
    Scheme.CsvFile = "映射 表.csv";
    Scheme.HasHeader = true;
  }
  ~ReplaceTest() override { SetCustomDataDir(""); }

  void WriteCsv(const std::string& AText) { test::WriteWholeFile(Data.File(Scheme.CsvFile), AText); }

  TReplaceReport Run() { return ExecuteReplace(Excel, &Scheme, Options); }

  // The message of the EReplaceError a run raises; fails the test when the
  // run succeeds or raises something else.
  std::string RunError() {
    try {
      Run();
    } catch (const EReplaceError& E) {
      return E.Message();
    } catch (const std::exception& E) {
      ADD_FAILURE() << "not an EReplaceError: " << E.what();
      return {};
    }
    ADD_FAILURE() << "the run succeeded";
    return {};
  }

  std::string Text(int32_t ARow, int32_t ACol) const { return Book->Cell(ARow, ACol).TextU(); }

  test::TTempDir Data;
  std::shared_ptr<fake::TWorkbook> Book;
  TAutoObject Excel;
  TScheme Scheme;
  TReplaceOptions Options;
};

TEST_F(ReplaceTest, RewritesMatchingCellsAndSparesFormulas) {
  WriteCsv("\xEF\xBB\xBFSource,Target\r\n北京,Beijing\r\n1.5,one and a half\r\nTrue,yes\r\n");
  Options.MatchMode = mmWhole;
  Options.CaseSensitive = true;
  Book->SetText(1, 1, "北京");
  Book->SetNumber(1, 2, 1.5);
  Book->SetBool(1, 3, true);
  Book->SetText(2, 1, "上海");
  Book->SetFormula(2, 2, "=A1", TValue::OfText("北京"));
  // Row 2, column 3 stays blank.
  Book->Select(TArea{1, 1, 2, 3});
  Book->ResetCalls();

  const TReplaceReport Rep = Run();

  EXPECT_EQ(Rep.Areas, 1);
  EXPECT_EQ(Rep.CellsRead, 6);
  EXPECT_EQ(Rep.CellsMatched, 4);
  EXPECT_EQ(Rep.CellsReplaced, 4);  // the formula cell counts, but is not written
  EXPECT_EQ(Text(1, 1), "Beijing");
  EXPECT_EQ(Text(1, 2), "one and a half");
  EXPECT_EQ(Text(1, 3), "yes");
  EXPECT_EQ(Text(2, 1), "上海");
  EXPECT_EQ(Book->Cell(2, 2).FormulaU(), "=A1");

  // The area's values come in one call, and each changed constant cell is
  // written with one call of its own.
  EXPECT_EQ(Book->CountCalls("Value2", TCallKind::Get), 1u);
  EXPECT_EQ(Book->CountCalls("Value2", TCallKind::Put), 3u);
  const std::vector<fake::TCellRef> Expected{{1, 1}, {1, 2}, {1, 3}};
  EXPECT_EQ(Book->Writes(), Expected);
}

TEST_F(ReplaceTest, SumsEveryAreaOfTheSelection) {
  WriteCsv("a,A\r\n");
  Scheme.HasHeader = false;
  Book->SetText(1, 1, "a");
  Book->SetText(10, 5, "xax");
  Book->SetText(20, 1, "b");
  Book->Select({TArea{1, 1, 2, 2}, TArea{10, 5, 3, 1}, TArea{20, 1, 1, 1}});
  Book->ResetCalls();

  const TReplaceReport Rep = Run();

  EXPECT_EQ(Rep.Areas, 3);
  EXPECT_EQ(Rep.CellsRead, 4 + 3 + 1);
  EXPECT_EQ(Rep.CellsMatched, 2);
  EXPECT_EQ(Rep.CellsReplaced, 2);
  EXPECT_EQ(Text(1, 1), "A");
  EXPECT_EQ(Text(10, 5), "xAx");
  EXPECT_EQ(Text(20, 1), "b");
  EXPECT_EQ(Book->CountCalls("Value2", TCallKind::Get), 3u);
  EXPECT_EQ(Book->CountCalls("Value2", TCallKind::Put), 2u);
}

TEST_F(ReplaceTest, OneCellSelectionTakesTheBareValuePath) {
  WriteCsv("x,y\r\nold,new\r\n");
  Book->SetText(3, 3, "old");
  // A formula elsewhere: for one cell the host answers for the whole sheet,
  // and that formula must not protect the selected cell.
  Book->SetFormula(7, 7, "=1", TValue::OfNumber(1));
  Book->Select(TArea{3, 3, 1, 1});
  EXPECT_EQ(Run().CellsReplaced, 1);
  EXPECT_EQ(Text(3, 3), "new");

  // A one-cell formula is never written.
  Book->SetFormula(3, 3, "=\"old\"", TValue::OfText("old"));
  const TReplaceReport Rep = Run();
  EXPECT_EQ(Rep.CellsMatched, 1);
  EXPECT_EQ(Rep.CellsReplaced, 1);
  EXPECT_EQ(Book->Cell(3, 3).FormulaU(), "=\"old\"");
}

TEST_F(ReplaceTest, CaseInsensitiveRunCountsButDoesNotRewriteIdenticalText) {
  WriteCsv("s,t\r\nabc,ABC\r\n");
  Options.MatchMode = mmWhole;
  Options.CaseSensitive = false;
  Book->SetText(1, 1, "ABC");
  Book->SetText(2, 1, "Abc");
  Book->Select(TArea{1, 1, 2, 1});
  Book->ResetCalls();

  const TReplaceReport Rep = Run();
  EXPECT_EQ(Rep.CellsMatched, 2);
  EXPECT_EQ(Rep.CellsReplaced, 1);
  EXPECT_EQ(Text(2, 1), "ABC");
  const std::vector<fake::TCellRef> Expected{{2, 1}};
  EXPECT_EQ(Book->Writes(), Expected);
}

TEST_F(ReplaceTest, TrimmingDecidesWhetherPaddedCellsMatch) {
  WriteCsv("s,t\r\n  abc\t,X\r\n");  // sources are trimmed
  Options.MatchMode = mmWhole;
  Book->SetText(1, 1, " abc ");
  Book->SetText(2, 1, "   ");
  Book->SetText(3, 1, "abc\xE3\x80\x80");  // the ideographic space is not trimmed
  Book->Select(TArea{1, 1, 3, 1});

  Options.TrimBeforeMatch = false;
  EXPECT_EQ(Run().CellsMatched, 0);

  Options.TrimBeforeMatch = true;
  const TReplaceReport Rep = Run();
  EXPECT_EQ(Rep.CellsMatched, 1);
  EXPECT_EQ(Text(1, 1), "X");
  EXPECT_EQ(Text(2, 1), "   ");
}

TEST_F(ReplaceTest, ErrorValueStopsTheRunAndLeavesItsAreaUntouched) {
  WriteCsv("s,t\r\na,b\r\n");
  Book->SetText(1, 1, "a");
  Book->SetText(5, 1, "a");
  Book->SetError(6, 1, fake::xlErrNA);
  Book->Select({TArea{1, 1, 1, 1}, TArea{5, 1, 2, 1}});

  const std::string Message = RunError();
  EXPECT_EQ(Message.rfind(TLang("re.execute_fail"), 0), 0u) << Message;
  EXPECT_NE(Message.find("#N/A"), std::string::npos) << Message;
  EXPECT_EQ(Text(1, 1), "b");  // the area before keeps its change
  EXPECT_EQ(Text(5, 1), "a");  // nothing of the failing area is written
}

struct TFailureCase {
  const char* Name;
  void (*Arrange)(ReplaceTest&, fake::TWorkbook&);
  const char* Key;
  bool HostMessageFollows;
};

class ReplaceFailureTest : public ReplaceTest, public ::testing::WithParamInterface<TFailureCase> {};

TEST_P(ReplaceFailureTest, EndsWithTheTranslatedMessage) {
  WriteCsv("s,t\r\na,b\r\n");
  Book->SetText(1, 1, "a");
  Book->SetText(1, 2, "a");
  Book->Select(TArea{1, 1, 1, 2});
  GetParam().Arrange(*this, *Book);

  const std::string Message = RunError();
  const std::string Text = TLang(GetParam().Key);
  if (GetParam().HostMessageFollows) {
    EXPECT_EQ(Message, Text + "Fault injected by the test.");
  } else {
    EXPECT_EQ(Message, Text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ReplaceFailureTest,
    ::testing::Values(
        TFailureCase{"HeaderOnly", [](ReplaceTest& T, fake::TWorkbook&) { T.WriteCsv("s,t\r\n"); }, "re.no_data_rows",
                     false},
        TFailureCase{"SelectionUnreadable",
                     [](ReplaceTest&, fake::TWorkbook& B) {
                       B.FailAlways("Application", "Selection", TCallKind::Get, "Fault injected by the test.");
                     },
                     "re.no_selection", false},
        TFailureCase{"NothingSelected", [](ReplaceTest&, fake::TWorkbook& B) { B.SelectNothing(); },
                     "re.empty_selection", false},
        TFailureCase{"NullSelection", [](ReplaceTest&, fake::TWorkbook& B) { B.SelectNull(); }, "re.empty_selection",
                     false},
        TFailureCase{"RowsUnreadable",
                     [](ReplaceTest&, fake::TWorkbook& B) {
                       B.FailAlways("", "Rows", TCallKind::Get, "Fault injected by the test.");
                     },
                     "re.read_fail", true},
        TFailureCase{"ValuesUnreadable",
                     [](ReplaceTest&, fake::TWorkbook& B) {
                       B.FailAlways("Range", "Value2", TCallKind::Get, "Fault injected by the test.");
                     },
                     "re.read_fail", true},
        TFailureCase{"WriteRefused",
                     [](ReplaceTest&, fake::TWorkbook& B) {
                       B.FailNth("Range", "Value2", TCallKind::Put, 2, "Fault injected by the test.");
                     },
                     "re.write_fail", true}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(ReplaceTest, WriteFailureKeepsTheWritesBeforeIt) {
  WriteCsv("s,t\r\na,b\r\n");
  Book->SetText(1, 1, "a");
  Book->SetText(1, 2, "a");
  Book->Select(TArea{1, 1, 1, 2});
  Book->FailNth("Range", "Value2", TCallKind::Put, 2, "refused");
  RunError();
  EXPECT_EQ(Text(1, 1), "b");
  EXPECT_EQ(Text(1, 2), "a");
}

TEST_F(ReplaceTest, SchemeAndMappingErrors) {
  EXPECT_THROW(
      {
        try {
          ExecuteReplace(Excel, nullptr, Options);
        } catch (const EReplaceError& E) {
          EXPECT_EQ(E.Message(), TLang("re.no_scheme"));
          throw;
        }
      },
      EReplaceError);

  // The CSV file does not exist: the text, CR LF, then the full path.
  EXPECT_EQ(RunError(), TLang("re.no_csv") + "\r\n" + Data.File(Scheme.CsvFile));

  WriteCsv("a,b,c\r\n1,2,3\r\n");
  Scheme.SourceColumn = 4;
  EXPECT_EQ(RunError(), FormatInt(TLang("re.source_col_err"), 3));
  Scheme.SourceColumn = 1;
  Scheme.TargetColumn = 5;
  EXPECT_EQ(RunError(), FormatInt(TLang("re.target_col_err"), 3));

  if (test::WindowsIsChinese()) {
    EXPECT_EQ(RunError(), "目标字段列号超出 CSV 的列数（共 3 列）。");
  } else {
    EXPECT_EQ(RunError(), "Target column index exceeds CSV column count (3 cols).");
  }
}

TEST_F(ReplaceTest, MappingRowsFollowTheHeaderFlag) {
  WriteCsv("a,b\r\n");
  Scheme.HasHeader = false;
  Book->SetText(1, 1, "a");
  EXPECT_EQ(Run().CellsReplaced, 1);
  EXPECT_EQ(Text(1, 1), "b");

  // A row without the target field maps to an empty text; a row without a
  // source field is ignored.
  WriteCsv("x\r\n,y\r\n");
  Book->SetText(1, 1, "x");
  Options.MatchMode = mmWhole;
  EXPECT_EQ(Run().CellsReplaced, 1);
  EXPECT_EQ(Text(1, 1), "");
}

TEST_F(ReplaceTest, ChartSelectionFailsAsExecutionError) {
  WriteCsv("s,t\r\na,b\r\n");
  Book->SelectChart();
  EXPECT_EQ(RunError().rfind(TLang("re.execute_fail"), 0), 0u);
}

TEST_F(ReplaceTest, SelectionCellCount) {
  Book->Select({TArea{1, 1, 3, 4}, TArea{10, 10, 2, 2}});
  EXPECT_EQ(SelectionCellCount(Excel), 16);
  Book->SelectWholeSheet();
  EXPECT_EQ(SelectionCellCount(Excel), 17179869184LL);
  Book->SelectChart();
  EXPECT_EQ(SelectionCellCount(Excel), -1);
  Book->SelectNothing();
  EXPECT_EQ(SelectionCellCount(Excel), -1);
}

struct TMatchCase {
  std::vector<std::pair<std::string, std::string>> Pairs;
  TMatchMode Mode;
  bool CaseSensitive;
  std::string Cell;
  bool Matched;
  std::string NewText;
};

TEST(MatchCell, FirstMatchingPairWinsAndOnlyItIsApplied) {
  const std::vector<TMatchCase> Cases = {
      {{{"ab", "X"}, {"abc", "Y"}}, mmWhole, true, "abc", true, "Y"},
      {{{"ab", "X"}, {"abc", "Y"}}, mmPartial, true, "abc", true, "Xc"},
      {{{"aa", "b"}}, mmPartial, true, "aaa", true, "ba"},
      {{{"a", "aa"}}, mmPartial, true, "aXa", true, "aaXaa"},
      {{{"b", "X"}}, mmPartial, false, "aBc", true, "aXc"},
      {{{"b", "X"}, {"a", "Y"}}, mmPartial, true, "ab", true, "aX"},
      {{{"", "never"}, {"x", ""}}, mmPartial, true, "xyx", true, "y"},
      {{{"x", ""}}, mmWhole, true, "x", true, ""},
      {{{"ÄÖ", "ae"}}, mmPartial, false, "xäöx", true, "xaex"},
      {{{"ABC", "d"}}, mmWhole, true, "abc", false, ""},
      {{{"ABC", "d"}}, mmWhole, false, "abc", true, "d"},
      {{{"北京", "Beijing"}}, mmPartial, true, "北京市", true, "Beijing市"},
  };
  for (const TMatchCase& C : Cases) {
    TMapping Mapping;
    for (const auto& [S, T] : C.Pairs) {
      Mapping.Srcs.push_back(S);
      Mapping.Tgts.push_back(T);
    }
    std::string NewText;
    EXPECT_EQ(MatchCell(Mapping.Srcs, Mapping.Tgts, C.Cell, C.Mode, C.CaseSensitive, NewText), C.Matched) << C.Cell;
    EXPECT_EQ(NewText, C.NewText) << C.Cell;
    // The matcher a run uses gives the same answers.
    const auto Matcher = MakeCellMatcher(Mapping, C.Mode, C.CaseSensitive);
    std::string FromMatcher;
    EXPECT_EQ(Matcher->Match(C.Cell, FromMatcher), C.Matched) << C.Cell;
    if (C.Matched) {
      EXPECT_EQ(FromMatcher, C.NewText) << C.Cell;
    }
  }
}

TEST(TextFunctions, ReplaceWalksLeftToRightWithoutRescanning) {
  std::string S = "aaa";
  EXPECT_EQ(UTF8ReplaceAllCase(S, "aa", "b"), 1);
  EXPECT_EQ(S, "ba");
  S = "abc";
  EXPECT_EQ(UTF8ReplaceAllCase(S, "", "x"), 0);
  EXPECT_EQ(S, "abc");
  S = "AbcABC";
  EXPECT_EQ(UTF8ReplaceAllNoCase(S, "abc", "xYz"), 2);
  EXPECT_EQ(S, "xYzxYz");
  EXPECT_TRUE(UTF8Contains("Straße", "STRA"));
  EXPECT_TRUE(UTF8Contains("abc", ""));
  EXPECT_TRUE(UTF8Equals("ÀB", "àb", true));
  EXPECT_FALSE(UTF8Equals("ÀB", "àb", false));
  EXPECT_EQ(Trim(std::string("\t a b \r\n", 8)), "a b");
  EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // no-break spaces stay
}

VARIANT Var(VARTYPE AType) {
  VARIANT V;
  VariantInit(&V);
  V.vt = AType;
  return V;
}

TEST(ValueText, CellValuesBecomeLocaleIndependentText) {
  struct TCase {
    VARIANT Value;
    const char* Text;
  };
  auto Double = [](double D) {
    VARIANT V = Var(VT_R8);
    V.dblVal = D;
    return V;
  };
  VARIANT True = Var(VT_BOOL);
  True.boolVal = VARIANT_TRUE;
  VARIANT False = Var(VT_BOOL);
  False.boolVal = VARIANT_FALSE;
  VARIANT Int = Var(VT_I4);
  Int.lVal = -17;
  VARIANT Big = Var(VT_UI8);
  Big.ullVal = 18446744073709551615ULL;
  VARIANT Money = Var(VT_CY);
  Money.cyVal.int64 = 12345;  // 1.2345
  const TCase Cases[] = {
      {Var(VT_EMPTY), ""},        {Var(VT_NULL), ""},      {Double(42), "42"},
      {Double(1.5), "1.5"},       {Double(-0.25), "-0.25"}, {Double(0.1 + 0.2), "0.3"},
      {Double(1.0 / 3), "0.333333333333333"},             {Double(123456789012345), "123456789012345"},
      {True, "True"},             {False, "False"},        {Int, "-17"},
      {Big, "18446744073709551615"}, {Money, "1.2345"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(VariantToMatchText(C.Value), C.Text);

  VARIANT Error = Var(VT_ERROR);
  Error.scode = fake::ErrorScode(fake::xlErrDiv0);
  EXPECT_THROW(VariantToMatchText(Error), Exception);
}

}  // namespace
}  // namespace mvn
