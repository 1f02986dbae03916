// A CSV mapping file in memory: ragged rows of UTF-8 text fields.
//
// The reader is forgiving on purpose: users make these files with Excel,
// Notepad and whatever else is at hand, so any bytes give a table. The
// separator is always "," and the quote always the double quote; quotes are
// special only at the start of a field.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mvn {

// The fields of one record, exactly as parsed (not trimmed).
using TCsvRow = std::vector<std::string>;

class TCsvData {
 public:
  TCsvData() = default;

  // Reads, decodes (DecodeBytesToUTF8) and parses a file. Raises
  // mvn::Exception when the file is missing or cannot be read (locked, larger
  // than kMaxReadFileBytes); the table is left as it was then.
  void LoadFromFile(const std::string& APath);
  // Replaces the whole content, header flag included, with the parse of
  // AText. Never fails on content.
  void LoadFromText(std::string_view AText);

  // 0-based; an empty text outside the table or past the end of a short row.
  // The reference is valid until the next load.
  const std::string& Cell(int32_t ARow, int32_t ACol) const;
  // The header text of column ACol (0-based) when the first row is a header
  // and holds a non-blank field there, else the generic "Column n" text.
  std::string ColumnDisplayName(int32_t ACol) const;

  int32_t RowCount() const noexcept { return FRowCount; }
  // The largest number of fields of any row.
  int32_t ColCount() const noexcept { return FColCount; }
  // The first row has a non-blank field that is not a number.
  bool HasHeader() const noexcept { return FHasHeader; }
  const std::vector<TCsvRow>& Rows() const noexcept { return FRows; }

  // Well-formed UTF-8 (RFC 3629: no overlong forms, no surrogates, nothing
  // above U+10FFFF). An empty string is valid.
  static bool IsValidUTF8(std::string_view ABytes);
  // File bytes to UTF-8: a UTF-8 or UTF-16 (LE/BE) byte-order mark decides,
  // else the bytes are taken as UTF-8 when valid, else converted from the
  // system ANSI code page (kept raw when that yields nothing).
  static std::string DecodeBytesToUTF8(std::string_view ABytes);

 private:
  std::vector<TCsvRow> FRows;
  int32_t FRowCount = 0;
  int32_t FColCount = 0;
  bool FHasHeader = false;
};

}  // namespace mvn
