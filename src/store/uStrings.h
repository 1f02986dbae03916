// The two text rules the stored files follow: blanks are the codes 0 to 32
// (the no-break and ideographic spaces are text), and names compare with
// only the ASCII letters folded.
#pragma once
#include <string>
#include <string_view>

namespace mvn {

inline bool IsBlankChar(char AChar) { return static_cast<unsigned char>(AChar) <= 32; }

inline std::string TrimBlanks(std::string_view AText) {
  size_t First = 0, Last = AText.size();
  while (First < Last && IsBlankChar(AText[First])) ++First;
  while (Last > First && IsBlankChar(AText[Last - 1])) --Last;
  return std::string(AText.substr(First, Last - First));
}

inline char AsciiLower(char AChar) { return (AChar >= 'A' && AChar <= 'Z') ? static_cast<char>(AChar + 32) : AChar; }

inline bool SameTextAscii(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t I = 0; I < A.size(); ++I)
    if (AsciiLower(A[I]) != AsciiLower(B[I])) return false;
  return true;
}

}  // namespace mvn
