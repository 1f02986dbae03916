// Text functions of the replace engine. All texts are UTF-8; comparisons
// without regard to case lower-case each UTF-16 unit on its own, so lengths
// and positions in UTF-16 never change.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/uText.h"

namespace mvn {

// The platform's simple lower-case mapping of one UTF-16 unit.
wchar_t LowerUnit(wchar_t AUnit);
// The same mapping as a table of 65,536 units, for loops that fold many.
const wchar_t* LowerUnitTable();
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

}  // namespace mvn
