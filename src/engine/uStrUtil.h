// Text functions of the replace engine. All texts are UTF-8; comparisons
// without regard to case lower-case each UTF-16 unit on its own, so lengths
// and positions in UTF-16 never change.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace mvn {

// Removes leading and trailing characters with codes 0 to 32, nothing else
// (the no-break space and U+3000 stay).
std::string Trim(std::string_view AText);
bool IsTrimmable(char AChar);

// The platform's simple lower-case mapping of one UTF-16 unit.
wchar_t LowerUnit(wchar_t AUnit);
void LowerInPlace(std::wstring& AText);

std::string UTF8Lower(std::string_view AText);
bool UTF8Equals(std::string_view A, std::string_view B, bool ANoCase);
// ASub occurs in AText ignoring case; true for an empty ASub.
bool UTF8Contains(std::string_view AText, std::string_view ASub);
// Replaces every occurrence left to right without overlap; inserted text is
// never searched again. An empty AOld changes nothing. Returns the count.
int UTF8ReplaceAllCase(std::string& AText, std::string_view AOld, std::string_view ANew);
// The same ignoring case; the inserted text keeps its letters and so do the
// untouched parts of AText.
int UTF8ReplaceAllNoCase(std::string& AText, std::string_view AOld, std::string_view ANew);

// Fills the first "%d" of a catalogue text with AValue.
std::string FormatInt(std::string_view AFormat, int64_t AValue);
// Fills the first "%s" of a catalogue text with AValue.
std::string FormatStr(std::string_view AFormat, std::string_view AValue);

}  // namespace mvn
