#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/uExcept.h"
#include "base/uUnicode.h"
#include "engine/uCsv.h"
#include "i18n/uTranslator.h"
#include "support/TestSupport.h"

namespace mvn {
namespace {

using namespace std::string_literals;
using TTable = std::vector<std::vector<std::string>>;

// The counts agree with the rows, and Cell reads what the rows hold.
void ExpectTable(const TCsvData& ACsv, const TTable& AExpected) {
  size_t Width = 0;
  for (const auto& Row : AExpected) Width = std::max(Width, Row.size());
  EXPECT_EQ(ACsv.Rows(), AExpected);
  EXPECT_EQ(ACsv.RowCount(), static_cast<int>(AExpected.size()));
  EXPECT_EQ(ACsv.ColCount(), static_cast<int>(Width));
  for (size_t R = 0; R < AExpected.size(); ++R)
    for (size_t C = 0; C < AExpected[R].size(); ++C)
      EXPECT_EQ(ACsv.Cell(static_cast<int>(R), static_cast<int>(C)), AExpected[R][C]) << R << "," << C;
}

bool IsZh() { return LocaleCode() == "zh"; }

// --- Parsing ---------------------------------------------------------------

TEST(CsvParse, Rules) {
  struct TCase {
    const char* Name;
    std::string Text;
    TTable Rows;
  };
  const TCase Cases[] = {
      {"two plain lines", "a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}},
      {"quoted separator", "a,\"b,c\",d", {{"a", "b,c", "d"}}},
      {"doubled quotes", "\"say \"\"hi\"\"\",x", {{"say \"hi\"", "x"}}},
      {"only a doubled quote", "\"\"\"\"", {{"\""}}},
      {"quote inside unquoted field", "ab\"c,d\"", {{"ab\"c", "d\""}}},
      {"text after closing quote", "\"x\"y,z", {{"xy", "z"}}},
      {"quote after closing quote is ordinary", "\"x\" \"y\",z", {{"x \"y\"", "z"}}},
      {"blank before quote makes it ordinary", " \"a,b\"", {{" \"a", "b\""}}},
      {"quoted LF kept", "\"l1\nl2\",b\nc", {{"l1\nl2", "b"}, {"c"}}},
      {"quoted CR LF kept", "\"l1\r\nl2\",b\r\nc", {{"l1\r\nl2", "b"}, {"c"}}},
      {"CR alone ends a row", "a\rb\r", {{"a"}, {"b"}}},
      {"LF CR is two line ends", "a\n\rb", {{"a"}, {""}, {"b"}}},
      {"empty line in the middle", "a\n\nb", {{"a"}, {""}, {"b"}}},
      {"one closing line break adds no row", "a,b\n", {{"a", "b"}}},
      {"two closing line breaks", "a\r\n\r\n", {{"a"}, {""}}},
      {"line break only", "\n", {{""}}},
      {"trailing separator", "a,\nb", {{"a", ""}, {"b"}}},
      {"separators only", ",,", {{"", "", ""}}},
      {"separator at end of text", "a,", {{"a", ""}}},
      {"blanks kept", " a , b \t", {{" a ", " b \t"}}},
      {"ragged rows", "a,b,c\nd\n,e", {{"a", "b", "c"}, {"d"}, {"", "e"}}},
      {"ends inside quotes", "a,\"b\r\nc,d", {{"a", "b\r\nc,d"}}},
      {"closing quote at very end", "a,\"b\"", {{"a", "b"}}},
      {"opening quote at very end", "a,\"", {{"a", ""}}},
      {"UTF-8 and NUL pass through", "源值,目标\xC2\xA0\n北\0京,x"s, {{"源值", "目标\xC2\xA0"}, {"北\0京"s, "x"}}},
      {"invalid bytes pass through", "\xFF\xFE,\x80", {{"\xFF\xFE", "\x80"}}},
      {"empty text", "", {}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TCsvData Csv;
    Csv.LoadFromText(C.Text);
    ExpectTable(Csv, C.Rows);
  }
}

TEST(CsvParse, CellOutsideTableIsEmpty) {
  TCsvData Csv;
  EXPECT_EQ(Csv.Cell(0, 0), "");
  Csv.LoadFromText("a,b,c\nd");
  EXPECT_EQ(Csv.ColCount(), 3);
  EXPECT_EQ(Csv.Cell(1, 0), "d");
  for (const auto& [Row, Col] : std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {5, 0}, {2, 0}, {0, -1}, {-1, 0}, {0, 3},
                                                                 {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}})
    EXPECT_EQ(Csv.Cell(Row, Col), "") << Row << "," << Col;
}

TEST(CsvParse, LoadingAgainReplacesEverything) {
  TCsvData Csv;
  Csv.LoadFromText("Name,Value,Extra\nx,y,z\n");
  EXPECT_TRUE(Csv.HasHeader());
  Csv.LoadFromText("1,2");
  ExpectTable(Csv, {{"1", "2"}});
  EXPECT_FALSE(Csv.HasHeader());
  EXPECT_EQ(Csv.Cell(1, 0), "");
  Csv.LoadFromText("");
  ExpectTable(Csv, {});
  EXPECT_FALSE(Csv.HasHeader());
}

// Mapping files of the size users keep (a hundred thousand rows and more)
// must load in one pass; a quadratic parser would time the test out.
TEST(CsvParse, LargeInput) {
  constexpr int CRows = 200000;
  std::string Text;
  Text.reserve(CRows * 40);
  for (int I = 0; I < CRows; ++I)
    Text += "key" + std::to_string(I) + ",\"value " + std::to_string(I) + ", quoted\",tail\r\n";
  // One long field with many line breaks inside quotes.
  Text += "\"" + std::string(1 << 20, '\n') + "\"";
  TCsvData Csv;
  Csv.LoadFromText(Text);
  ASSERT_EQ(Csv.RowCount(), CRows + 1);
  EXPECT_EQ(Csv.ColCount(), 3);
  EXPECT_TRUE(Csv.HasHeader());
  for (int I : {0, 1, 12345, CRows - 1}) {
    EXPECT_EQ(Csv.Cell(I, 0), "key" + std::to_string(I));
    EXPECT_EQ(Csv.Cell(I, 1), "value " + std::to_string(I) + ", quoted");
    EXPECT_EQ(Csv.Cell(I, 2), "tail");
  }
  EXPECT_EQ(Csv.Cell(CRows, 0), std::string(1 << 20, '\n'));
}

// --- Header and column names -----------------------------------------------

TEST(CsvHeader, FirstRowWithNonNumberIsHeader) {
  struct TCase {
    std::string Text;
    bool Header;
  };
  const TCase Cases[] = {
      {"Name,Value", true},
      {"1,abc", true},
      {"1,2", false},
      {"1.5,-2e3,+.5,5.,1E+05,0007", false},
      {" 3 ,\t+4\t", false},      // numbers are read trimmed
      {"1,,  ,\t", false},        // numbers and blank fields only
      {",  ,", false},            // nothing at all
      {"1,2\nfoo,bar", false},    // only the first row counts
      {"\n1,x", false},           // an empty first line is no header
      {"\"1,000\"", true},        // no group separators
      {"1 000", true},
      {"1e", true},
      {".", true},
      {"-", true},
      {"+-1", true},
      {"1.2.3", true},
      {"0x10", true},
      {"1e5.5", true},
      {"inf", true},
      {"nan", true},
      {"\xC2\xA0" "5", true},     // the no-break space is not trimmed
      {"\xE3\x80\x80" "5", true}, // nor the ideographic space
      {"", false},
  };
  for (const TCase& C : Cases) {
    TCsvData Csv;
    Csv.LoadFromText(C.Text);
    EXPECT_EQ(Csv.HasHeader(), C.Header) << '"' << C.Text << '"';
  }
}

// The decimal separator is the user's: with "," set in the regional settings
// "1,5" is a number and "1.5" is not.
TEST(CsvHeader, UsesUserDecimalSeparator) {
  wchar_t Saved[8] = {};
  ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Saved, 8), 0);
  struct TRestore {
    const wchar_t* Value;
    ~TRestore() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Value); }
  } Restore{Saved};
  ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
  wchar_t Now[8] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Now, 8);
  if (std::wstring(Now) != L",") GTEST_SKIP() << "this Windows ignores the user's decimal separator";

  TCsvData Csv;
  Csv.LoadFromText("\"1,5\",\"-0,25e2\"");
  EXPECT_FALSE(Csv.HasHeader());
  Csv.LoadFromText("\"1,5\",1.5");
  EXPECT_TRUE(Csv.HasHeader());
}

TEST(CsvHeader, ColumnDisplayNames) {
  const auto Generic = [](int ANumber) {
    return (IsZh() ? "第" : "Column ") + std::to_string(ANumber) + (IsZh() ? "列" : "");
  };
  TCsvData Csv;
  EXPECT_EQ(Csv.ColumnDisplayName(0), Generic(1));

  Csv.LoadFromText(" Source ,  \t,Target,\n1,2,3,4,5\n");
  ASSERT_TRUE(Csv.HasHeader());
  EXPECT_EQ(Csv.ColumnDisplayName(0), " Source ");  // as it stands, untrimmed
  EXPECT_EQ(Csv.ColumnDisplayName(1), Generic(2));  // blank
  EXPECT_EQ(Csv.ColumnDisplayName(2), "Target");
  EXPECT_EQ(Csv.ColumnDisplayName(3), Generic(4));  // empty
  EXPECT_EQ(Csv.ColumnDisplayName(4), Generic(5));  // past the header row
  EXPECT_EQ(Csv.ColumnDisplayName(99), Generic(100));

  Csv.LoadFromText("10,20\nx,y");
  ASSERT_FALSE(Csv.HasHeader());
  EXPECT_EQ(Csv.ColumnDisplayName(0), Generic(1));
  EXPECT_EQ(Csv.ColumnDisplayName(1), Generic(2));
}

// --- Encodings -------------------------------------------------------------

TEST(CsvEncoding, ValidUtf8) {
  struct TCase {
    std::string Bytes;
    bool Valid;
  };
  const TCase Cases[] = {
      {"", true},
      {"plain ASCII\r\n\t", true},
      {"\0"s, true},
      {"\xC2\x80\xDF\xBF", true},       // two-byte range ends
      {"\xE0\xA0\x80", true},           // smallest three-byte
      {"\xE0\x9F\xBF", false},          // overlong
      {"\xED\x9F\xBF", true},           // below the surrogates
      {"\xED\xA0\x80", false},          // surrogate
      {"\xEF\xBF\xBF", true},
      {"\xF0\x90\x80\x80", true},       // smallest four-byte
      {"\xF0\x8F\xBF\xBF", false},      // overlong
      {"\xF4\x8F\xBF\xBF", true},       // U+10FFFF
      {"\xF4\x90\x80\x80", false},      // above U+10FFFF
      {"\xC0\x80", false},
      {"\xC1\xBF", false},
      {"\xF5\x80\x80\x80", false},
      {"\xF6\x80\x80\x80", false},
      {"\xF7\xBF\xBF\xBF", false},
      {"\xFF", false},
      {"\x80", false},                  // stray continuation byte
      {"a\xC2", false},                 // cut short
      {"\xE4\xB8", false},
      {"\xF0\x9F\x98", false},
      {"\xC2\x41", false},              // bad continuation
      {"\xE4\x41\xAD", false},
      {"\xF0\x9F\x41\x80", false},
      {"\xE4\xB8\xAD\xE6\x96\x87 ok \xF0\x9F\x98\x80", true},
  };
  for (const TCase& C : Cases) {
    std::string Hex;
    for (unsigned char B : C.Bytes) Hex += std::to_string(B) + " ";
    EXPECT_EQ(TCsvData::IsValidUTF8(C.Bytes), C.Valid) << Hex;
  }
}

TEST(CsvEncoding, ByteOrderMarksAndUtf8) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    std::string Text;
  };
  const TCase Cases[] = {
      {"nothing", "", ""},
      {"UTF-8 mark only", "\xEF\xBB\xBF", ""},
      {"UTF-16 LE mark only", "\xFF\xFE", ""},
      {"UTF-16 BE mark only", "\xFE\xFF", ""},
      {"after a UTF-8 mark bytes are not checked", "\xEF\xBB\xBF\xFF\xC0", "\xFF\xC0"},
      {"UTF-8 mark is removed once", "\xEF\xBB\xBF\xEF\xBB\xBF" "a", "\xEF\xBB\xBF" "a"},
      {"UTF-16 LE odd byte dropped", "\xFF\xFE" "A\0B"s, "A"},
      {"UTF-16 BE", "\xFE\xFF\0A\x4E\x2D"s, "A中"},
      {"UTF-16 LE surrogate pair", "\xFF\xFE\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"},
      {"UTF-16 keeps NUL", "\xFF\xFE\0\0"s, "\0"s},
      {"valid UTF-8 as it is", "名称,é\r\n", "名称,é\r\n"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(TCsvData::DecodeBytesToUTF8(C.Bytes), C.Text) << C.Name;
}

TEST(CsvEncoding, AnsiCodePage) {
  struct TCase {
    UINT CodePage;
    std::string Bytes;
    std::string Text;
  };
  const TCase Cases[] = {
      {1252, "caf\xE9,\x80", "café,€"},
      {1252, "\xF5\xF6\xF7", "õö÷"},  // lead bytes that UTF-8 never uses
      {1252, "\xEF\xBB", "ï»"},        // half a byte-order mark
      {936, "\xB1\xB1\xBE\xA9,\xC9\xCF\xBA\xA3\r\n", "北京,上海\r\n"},
      {936, "\xD6\xD0\xCE\xC4", "中文"},
  };
  int Checked = 0;
  for (const TCase& C : Cases) {
    if (GetACP() != C.CodePage) continue;
    ASSERT_FALSE(TCsvData::IsValidUTF8(C.Bytes));
    EXPECT_EQ(TCsvData::DecodeBytesToUTF8(C.Bytes), C.Text) << C.Text;
    ++Checked;
  }
  if (Checked == 0) GTEST_SKIP() << "no cases for code page " << GetACP();
}

// --- Files -----------------------------------------------------------------

class CsvFile : public ::testing::Test {
 protected:
  test::TTempDir FDir{"mvn 映射 csv"};
};

// What Excel, Notepad and other editors save for one table: every form loads
// to the same rows.
TEST_F(CsvFile, SameTableFromEveryEncoding) {
  const std::string Content = "源值,目标值\r\n北京,Beijing\r\n\"a,b\",\"多\n行 \xF0\xA0\x80\x80\"\r\n";
  const TTable Expected = {{"源值", "目标值"}, {"北京", "Beijing"}, {"a,b", "多\n行 \xF0\xA0\x80\x80"}};
  struct TForm {
    const char* Name;
    std::string Bytes;
  };
  std::vector<TForm> Forms = {
      {"utf8.csv", Content},
      {"utf8 bom.csv", "\xEF\xBB\xBF" + Content},
      {"utf16le.csv", test::Utf16FileBytes(Utf8ToWide(Content), false)},
      {"utf16be.csv", test::Utf16FileBytes(Utf8ToWide(Content), true)},
  };
  if (GetACP() == 936)  // the same minus the character outside GBK
    Forms.push_back({"gbk.csv",
                     "\xD4\xB4\xD6\xB5,\xC4\xBF\xB1\xEA\xD6\xB5\r\n\xB1\xB1\xBE\xA9,Beijing\r\n\"a,b\",\"\xB6\xE0\n\xD0\xD0 \"\r\n"});
  for (const TForm& F : Forms) {
    SCOPED_TRACE(F.Name);
    test::WriteWholeFile(FDir.File(F.Name), F.Bytes);
    TCsvData Csv;
    Csv.LoadFromFile(FDir.File(F.Name));
    if (std::string(F.Name) == "gbk.csv") {
      TTable Gbk = Expected;
      Gbk[2][1] = "多\n行 ";
      ExpectTable(Csv, Gbk);
    } else {
      ExpectTable(Csv, Expected);
    }
    EXPECT_TRUE(Csv.HasHeader());
    EXPECT_EQ(Csv.ColumnDisplayName(1), "目标值");
  }
}

TEST_F(CsvFile, EmptyAndMarkOnlyFiles) {
  for (const std::string& Bytes : {std::string(), std::string("\xEF\xBB\xBF"), std::string("\xFF\xFE")}) {
    test::WriteWholeFile(FDir.File("e.csv"), Bytes);
    TCsvData Csv;
    Csv.LoadFromText("x,y\n");
    Csv.LoadFromFile(FDir.File("e.csv"));
    ExpectTable(Csv, {});
    EXPECT_FALSE(Csv.HasHeader());
  }
}

// A failed load raises the message in the current language, followed
// directly by the path, and leaves the table as it was.
TEST_F(CsvFile, FailuresKeepTheTable) {
  const std::string Missing = IsZh() ? "CSV 文件不存在：" : "CSV file does not exist: ";
  const std::string ReadFail = IsZh() ? "无法读取 CSV 文件：" : "Cannot read CSV file:";

  constexpr size_t CLimit = 16777216;
  const std::string Row = "source value,target value\r\n";
  std::string Big;
  Big.reserve(CLimit + 1);
  while (Big.size() + Row.size() <= CLimit) Big += Row;
  const int BigRows = static_cast<int>(Big.size() / Row.size());
  Big.append(CLimit - Big.size(), 'x');  // a last row without line break, exactly at the limit
  test::WriteWholeFile(FDir.File("limit.csv"), Big);
  Big += 'x';
  test::WriteWholeFile(FDir.File("too big.csv"), Big);
  Big.clear();
  Big.shrink_to_fit();

  test::WriteWholeFile(FDir.File("locked.csv"), "a,b\r\n");
  const test::TLockedFile Lock(FDir.File("locked.csv"));
  ASSERT_TRUE(Lock.Valid());

  struct TCase {
    std::string Path;
    std::string Message;
  };
  const TCase Cases[] = {
      {FDir.File("no such.csv"), Missing},
      {FDir.Path() + "missing dir\\a.csv", Missing},
      {FDir.Path(), Missing},  // a folder is no file
      {FDir.File("too big.csv"), ReadFail},
      {FDir.File("locked.csv"), ReadFail},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Path);
    TCsvData Csv;
    Csv.LoadFromText("Name,Value\n1,2");
    try {
      Csv.LoadFromFile(C.Path);
      ADD_FAILURE() << "no error raised";
    } catch (const Exception& E) {
      EXPECT_EQ(E.Message(), C.Message + C.Path);
    }
    ExpectTable(Csv, {{"Name", "Value"}, {"1", "2"}});
    EXPECT_TRUE(Csv.HasHeader());
  }

  TCsvData Csv;
  Csv.LoadFromFile(FDir.File("limit.csv"));
  ASSERT_EQ(Csv.RowCount(), BigRows + 1);
  EXPECT_EQ(Csv.Cell(BigRows - 1, 1), "target value");
  EXPECT_EQ(Csv.Cell(BigRows, 0).find_first_not_of('x'), std::string::npos);
}

}  // namespace
}  // namespace mvn
