// UTF-8 <-> UTF-16 conversion at the edge of Win32 and COM calls.
#pragma once
#include <string>
#include <string_view>

namespace mvn {

// Invalid input never throws: unpaired surrogates and malformed bytes are
// converted the way the platform's conversion functions do.
std::wstring Utf8ToWide(std::string_view AText);
std::string WideToUtf8(std::wstring_view AText);

// UTF-16 units stored as bytes (after their byte-order mark), little- or
// big-endian; an odd last byte is dropped.
std::wstring Utf16BytesToWide(std::string_view ABytes, bool ABigEndian);

// Converts bytes from the system ANSI code page; empty when nothing converts.
std::wstring AnsiToWide(std::string_view ABytes);

}  // namespace mvn
