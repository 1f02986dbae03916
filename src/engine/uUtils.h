// Cell values as text, and texts as the host wants them.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace mvn {

// The text a cell value is matched as. Raises mvn::Exception for a value
// without a text form (an error value such as #N/A, an object, an array).
std::string VariantToMatchText(const VARIANT& AValue);
std::string ValueToText(const VARIANT& AValue);
// The same text in UTF-16, trimmed when ATrim: the form the matchers take.
// A string value is read in place; other values, and texts holding
// surrogates (an unpaired one becomes U+FFFD, as in the UTF-8 form), are put
// into ABuffer. Raises as VariantToMatchText does.
std::wstring_view CellMatchText(const VARIANT& AValue, bool ATrim, std::wstring& ABuffer);
// A string value's text in UTF-8.
std::string VarToUTF8(const VARIANT& AValue);
// A number in the general format: at most 15 significant digits, "." as the
// decimal separator whatever the locale, no trailing zeros.
std::string FloatToText(double AValue);

// UTF-16 for every text handed to the host.
std::wstring Ex(std::string_view AUtf8);

}  // namespace mvn
