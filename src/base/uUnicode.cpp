#include "base/uUnicode.h"

#include <windows.h>

#include <climits>

namespace mvn {

namespace {

std::wstring MultiByteToWideString(UINT ACodePage, std::string_view ABytes) {
  if (ABytes.empty() || ABytes.size() > INT_MAX) return {};
  const int Len = static_cast<int>(ABytes.size());
  const int Needed = MultiByteToWideChar(ACodePage, 0, ABytes.data(), Len, nullptr, 0);
  if (Needed <= 0) return {};
  std::wstring Result(static_cast<size_t>(Needed), L'\0');
  MultiByteToWideChar(ACodePage, 0, ABytes.data(), Len, Result.data(), Needed);
  return Result;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view AText) {
  return MultiByteToWideString(CP_UTF8, AText);
}

std::wstring Utf16BytesToWide(std::string_view ABytes, bool ABigEndian) {
  const auto* B = reinterpret_cast<const unsigned char*>(ABytes.data());
  std::wstring Result(ABytes.size() / 2, L'\0');
  for (size_t U = 0; U < Result.size(); ++U) {
    const unsigned First = B[2 * U];
    const unsigned Second = B[2 * U + 1];
    Result[U] = static_cast<wchar_t>(ABigEndian ? (First << 8 | Second) : (Second << 8 | First));
  }
  return Result;
}

std::wstring AnsiToWide(std::string_view ABytes) {
  return MultiByteToWideString(CP_ACP, ABytes);
}

std::string WideToUtf8(std::wstring_view AText) {
  if (AText.empty() || AText.size() > INT_MAX) return {};
  const int Len = static_cast<int>(AText.size());
  const int Needed = WideCharToMultiByte(CP_UTF8, 0, AText.data(), Len, nullptr, 0, nullptr, nullptr);
  if (Needed <= 0) return {};
  std::string Result(static_cast<size_t>(Needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, AText.data(), Len, Result.data(), Needed, nullptr, nullptr);
  return Result;
}

}  // namespace mvn
