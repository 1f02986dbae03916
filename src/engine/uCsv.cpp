#include "engine/uCsv.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/uExcept.h"
#include "base/uText.h"
#include "base/uUnicode.h"
#include "i18n/uTranslator.h"
#include "store/uWinFile.h"

namespace mvn {

namespace {

static_assert(sizeof(wchar_t) == 2, "UTF-16 units are wchar_t on Windows");

// The user's decimal separator, read afresh on every load so that a change in
// the regional settings applies without restarting Excel.
std::string UserDecimalSeparator() {
  wchar_t Buffer[8] = {};
  const int Len = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Buffer, 8);
  if (Len <= 1) return ".";
  return WideToUtf8(std::wstring_view(Buffer, static_cast<size_t>(Len - 1)));
}

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// Skips a run of digits from AAt; returns how many there were.
size_t SkipDigits(std::string_view AText, size_t& AAt) {
  const size_t Start = AAt;
  while (AAt < AText.size() && IsDigit(AText[AAt])) ++AAt;
  return AAt - Start;
}

// The whole of AText is a decimal floating-point number written with
// ADecimal: optional sign, digits with at most one decimal separator (at least
// one digit in all), optional exponent with its own sign and digits. Group
// separators, blanks, hexadecimal and words such as "inf" are not numbers.
bool IsFloatText(std::string_view AText, std::string_view ADecimal) {
  size_t I = 0;
  const size_t N = AText.size();
  if (I < N && (AText[I] == '+' || AText[I] == '-')) ++I;
  size_t Digits = SkipDigits(AText, I);
  if (!ADecimal.empty() && AText.substr(I, ADecimal.size()) == ADecimal) {
    I += ADecimal.size();
    Digits += SkipDigits(AText, I);
  }
  if (Digits == 0) return false;
  if (I < N && (AText[I] == 'e' || AText[I] == 'E')) {
    ++I;
    if (I < N && (AText[I] == '+' || AText[I] == '-')) ++I;
    if (SkipDigits(AText, I) == 0) return false;
  }
  return I == N;
}

bool LooksLikeHeader(const TCsvRow& ARow) {
  const std::string Decimal = UserDecimalSeparator();
  for (const std::string& Field : ARow) {
    const std::string_view Text = TrimView(Field);
    if (!Text.empty() && !IsFloatText(Text, Decimal)) return true;
  }
  return false;
}

}  // namespace

void TCsvData::LoadFromFile(const std::string& APath) {
  if (!FileExistsU(APath)) throw Exception(TLang("csv.file_missing") + APath);
  std::string Bytes;
  if (!ReadFileBytesU(APath, Bytes)) throw Exception(TLang("csv.read_fail") + APath);
  LoadFromText(DecodeBytesToUTF8(Bytes));
}

void TCsvData::LoadFromText(std::string_view AText) {
  // Built aside and swapped in at the end, so that even running out of memory
  // leaves the previous table whole.
  std::vector<TCsvRow> Rows;
  Rows.reserve(static_cast<size_t>(std::count(AText.begin(), AText.end(), '\n')) + 1);
  TCsvRow Row;
  std::string Field;
  size_t ColCount = 0;
  bool InQuotes = false;

  auto EndField = [&] {
    Row.push_back(std::move(Field));
    Field.clear();
    ColCount = std::max(ColCount, Row.size());
  };
  auto EndRow = [&] {
    EndField();
    const size_t Width = Row.size();
    Rows.push_back(std::move(Row));
    Row = TCsvRow();
    Row.reserve(Width);
  };

  const char* const Text = AText.data();
  const size_t N = AText.size();
  size_t I = 0;
  while (I < N) {
    const char C = Text[I];
    if (InQuotes) {
      if (C == '"') {
        if (I + 1 < N && Text[I + 1] == '"') {
          Field.push_back('"');
          I += 2;
        } else {
          InQuotes = false;  // the field goes on until the next separator
          ++I;
        }
      } else {
        // Everything up to the next quote, separators and line breaks included.
        const void* Quote = std::memchr(Text + I, '"', N - I);
        const size_t End = Quote ? static_cast<size_t>(static_cast<const char*>(Quote) - Text) : N;
        Field.append(Text + I, End - I);
        I = End;
      }
    } else if (C == '\r' || C == '\n') {
      I += (C == '\r' && I + 1 < N && Text[I + 1] == '\n') ? 2 : 1;
      EndRow();
    } else if (C == ',') {
      EndField();
      ++I;
    } else if (C == '"' && Field.empty()) {
      InQuotes = true;
      ++I;
    } else {
      // The field is not empty from here on, so a quote is now an ordinary
      // character: take the whole run up to the next separator or line end.
      size_t End = I + 1;
      while (End < N && Text[End] != ',' && Text[End] != '\r' && Text[End] != '\n') ++End;
      Field.append(Text + I, End - I);
      I = End;
    }
  }
  // A last line without a line break counts; a single closing line break adds
  // no empty row.
  if (!Field.empty() || !Row.empty()) EndRow();

  const bool HasHeader = !Rows.empty() && LooksLikeHeader(Rows.front());
  FRows = std::move(Rows);
  FRowCount = static_cast<int32_t>(FRows.size());
  FColCount = static_cast<int32_t>(ColCount);
  FHasHeader = HasHeader;
}

const std::string& TCsvData::Cell(int32_t ARow, int32_t ACol) const {
  static const std::string Empty;
  if (ARow < 0 || ARow >= FRowCount || ACol < 0) return Empty;
  const TCsvRow& Row = FRows[static_cast<size_t>(ARow)];
  if (static_cast<size_t>(ACol) >= Row.size()) return Empty;
  return Row[static_cast<size_t>(ACol)];
}

std::string TCsvData::ColumnDisplayName(int32_t ACol) const {
  if (FHasHeader && !FRows.empty()) {
    const std::string& Field = Cell(0, ACol);
    if (!TrimView(Field).empty()) return Field;
  }
  return FormatInt(TLang("csv.col_header"), static_cast<int64_t>(ACol) + 1);
}

bool TCsvData::IsValidUTF8(std::string_view ABytes) {
  const auto* B = reinterpret_cast<const unsigned char*>(ABytes.data());
  const size_t N = ABytes.size();
  size_t I = 0;
  while (I < N) {
    const unsigned char Lead = B[I];
    if (Lead < 0x80) {
      ++I;
      continue;
    }
    size_t Follow;
    unsigned char Low = 0x80, High = 0xBF;  // range of the first continuation byte
    if (Lead >= 0xC2 && Lead <= 0xDF) {
      Follow = 1;
    } else if (Lead >= 0xE0 && Lead <= 0xEF) {
      Follow = 2;
      if (Lead == 0xE0) Low = 0xA0;        // overlong
      else if (Lead == 0xED) High = 0x9F;  // surrogates
    } else if (Lead >= 0xF0 && Lead <= 0xF4) {
      Follow = 3;
      if (Lead == 0xF0) Low = 0x90;        // overlong
      else if (Lead == 0xF4) High = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (N - I - 1 < Follow) return false;
    if (B[I + 1] < Low || B[I + 1] > High) return false;
    for (size_t K = 2; K <= Follow; ++K)
      if (B[I + K] < 0x80 || B[I + K] > 0xBF) return false;
    I += Follow + 1;
  }
  return true;
}

std::string TCsvData::DecodeBytesToUTF8(std::string_view ABytes) {
  const auto* B = reinterpret_cast<const unsigned char*>(ABytes.data());
  const size_t N = ABytes.size();
  if (N == 0) return {};
  if (N >= 3 && B[0] == 0xEF && B[1] == 0xBB && B[2] == 0xBF) return std::string(ABytes.substr(3));
  if (N >= 2 && ((B[0] == 0xFF && B[1] == 0xFE) || (B[0] == 0xFE && B[1] == 0xFF))) {
    return WideToUtf8(Utf16BytesToWide(ABytes.substr(2), B[0] == 0xFE));
  }
  if (IsValidUTF8(ABytes)) return std::string(ABytes);
  const std::wstring Wide = AnsiToWide(ABytes);
  if (Wide.empty()) return std::string(ABytes);
  return WideToUtf8(Wide);
}

}  // namespace mvn
