#include "engine/uStrUtil.h"

#include <windows.h>

#include <array>
#include <memory>

#include "base/uUnicode.h"

namespace mvn {

namespace {

// CharLowerBuffW unit by unit, computed once: the matching loops then lower
// text without a system call per cell.
const std::array<wchar_t, 65536>& LowerTable() {
  static const std::unique_ptr<std::array<wchar_t, 65536>> Table = [] {
    auto T = std::make_unique<std::array<wchar_t, 65536>>();
    for (unsigned U = 0; U < 65536; ++U) {
      wchar_t C = static_cast<wchar_t>(U);
      CharLowerBuffW(&C, 1);
      (*T)[U] = C;
    }
    return T;
  }();
  return *Table;
}

}  // namespace

wchar_t LowerUnit(wchar_t AUnit) { return LowerTable()[static_cast<unsigned short>(AUnit)]; }

const wchar_t* LowerUnitTable() { return LowerTable().data(); }

void LowerInPlace(std::wstring& AText) {
  const auto& Table = LowerTable();
  for (wchar_t& C : AText) C = Table[static_cast<unsigned short>(C)];
}

std::string UTF8Lower(std::string_view AText) {
  std::wstring W = Utf8ToWide(AText);
  LowerInPlace(W);
  return WideToUtf8(W);
}

bool UTF8Equals(std::string_view A, std::string_view B, bool ANoCase) {
  if (!ANoCase) return A == B;
  return UTF8Lower(A) == UTF8Lower(B);
}

bool UTF8Contains(std::string_view AText, std::string_view ASub) {
  if (ASub.empty()) return true;
  return UTF8Lower(AText).find(UTF8Lower(ASub)) != std::string::npos;
}

int UTF8ReplaceAllCase(std::string& AText, std::string_view AOld, std::string_view ANew) {
  if (AOld.empty()) return 0;
  std::string Result;
  int Count = 0;
  size_t From = 0;
  for (size_t At; (At = AText.find(AOld, From)) != std::string::npos; From = At + AOld.size()) {
    Result.append(AText, From, At - From);
    Result.append(ANew);
    ++Count;
  }
  if (Count == 0) return 0;
  Result.append(AText, From, std::string::npos);
  AText = std::move(Result);
  return Count;
}

int UTF8ReplaceAllNoCase(std::string& AText, std::string_view AOld, std::string_view ANew) {
  if (AOld.empty()) return 0;
  const std::wstring Text = Utf8ToWide(AText);
  std::wstring LowerText = Text;
  LowerInPlace(LowerText);
  std::wstring LowerOld = Utf8ToWide(AOld);
  LowerInPlace(LowerOld);
  const std::wstring New = Utf8ToWide(ANew);

  std::wstring Result;
  int Count = 0;
  size_t From = 0;
  if (!LowerOld.empty()) {
    for (size_t At; (At = LowerText.find(LowerOld, From)) != std::wstring::npos; From = At + LowerOld.size()) {
      Result.append(Text, From, At - From);
      Result.append(New);
      ++Count;
    }
  }
  Result.append(Text, From, std::wstring::npos);
  AText = WideToUtf8(Result);
  return Count;
}

}  // namespace mvn
