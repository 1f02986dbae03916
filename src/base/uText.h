// The text rules every part of the add-in follows. Blanks are the codes 0 to
// 32 and nothing else (the no-break space and the ideographic space U+3000
// are text); stored names compare with only the ASCII letters folded;
// catalogue texts carry "%d" / "%s" placeholders that the caller fills.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace mvn {

template <class TChar>
inline bool IsBlankChar(TChar AChar) {
  return static_cast<std::make_unsigned_t<TChar>>(AChar) <= 32;
}

// AText without leading and trailing blanks, as a view into AText (UTF-8 or
// UTF-16: a blank is one unit in both).
template <class TChar>
inline std::basic_string_view<TChar> TrimView(std::basic_string_view<TChar> AText) {
  size_t First = 0;
  size_t Last = AText.size();
  while (First < Last && IsBlankChar(AText[First])) ++First;
  while (Last > First && IsBlankChar(AText[Last - 1])) --Last;
  return AText.substr(First, Last - First);
}
inline std::string_view TrimView(std::string_view AText) { return TrimView<char>(AText); }
inline std::wstring_view TrimView(std::wstring_view AText) { return TrimView<wchar_t>(AText); }

inline std::string Trim(std::string_view AText) { return std::string(TrimView(AText)); }

inline char AsciiLower(char AChar) { return (AChar >= 'A' && AChar <= 'Z') ? static_cast<char>(AChar + 32) : AChar; }

inline bool SameTextAscii(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t I = 0; I < A.size(); ++I)
    if (AsciiLower(A[I]) != AsciiLower(B[I])) return false;
  return true;
}

// A catalogue text with its first APlaceholder replaced by AValue.
inline std::string FillPlaceholder(std::string_view AFormat, std::string_view APlaceholder, std::string_view AValue) {
  std::string Result(AFormat);
  const size_t At = Result.find(APlaceholder);
  if (At != std::string::npos) Result.replace(At, APlaceholder.size(), AValue);
  return Result;
}
inline std::string FormatInt(std::string_view AFormat, int64_t AValue) {
  return FillPlaceholder(AFormat, "%d", std::to_string(AValue));
}
inline std::string FormatStr(std::string_view AFormat, std::string_view AValue) {
  return FillPlaceholder(AFormat, "%s", AValue);
}

}  // namespace mvn
