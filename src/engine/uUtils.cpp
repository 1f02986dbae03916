#include "engine/uUtils.h"

#include <charconv>
#include <cmath>

#include "base/uComPtr.h"
#include "base/uExcept.h"
#include "base/uText.h"
#include "base/uUnicode.h"

namespace mvn {

namespace {

// Names of the host's error values (the scode's low word carries the code).
const char* ErrorValueName(SCODE ACode) {
  switch (ACode & 0xFFFF) {
    case 2000: return "#NULL!";
    case 2007: return "#DIV/0!";
    case 2015: return "#VALUE!";
    case 2023: return "#REF!";
    case 2029: return "#NAME?";
    case 2036: return "#NUM!";
    case 2042: return "#N/A";
    default: return nullptr;
  }
}

std::string ErrorValueText(SCODE ACode) {
  const char* Name = ErrorValueName(ACode);
  char Code[16];
  const auto R = std::to_chars(Code, Code + sizeof Code, static_cast<unsigned>(ACode), 16);
  return std::string("a cell holds the error value ") + (Name ? Name : "0x" + std::string(Code, R.ptr));
}

std::string DateToText(DATE ADate) {
  VARIANT Source;  // a date holds nothing to free
  VariantInit(&Source);
  Source.vt = VT_DATE;
  Source.date = ADate;
  TVariant Text;
  if (FAILED(VariantChangeTypeEx(Text.Put(), &Source, LOCALE_USER_DEFAULT, 0, VT_BSTR)))
    throw Exception("a date value has no text form");
  return VarToUTF8(Text.Value());
}

bool HasSurrogate(std::wstring_view AText) {
  for (wchar_t C : AText)
    if ((static_cast<unsigned short>(C) & 0xF800u) == 0xD800u) return true;
  return false;
}

template <class TInt>
std::string IntToText(TInt AValue) {
  char Buffer[32];
  const auto R = std::to_chars(Buffer, Buffer + sizeof Buffer, AValue);
  return std::string(Buffer, R.ptr);
}

}  // namespace

std::string FloatToText(double AValue) {
  if (AValue == 0) return "0";  // also -0, which the host shows as 0
  if (!std::isfinite(AValue)) return std::isnan(AValue) ? "NAN" : (AValue > 0 ? "INF" : "-INF");
  char Buffer[64];
  const auto R = std::to_chars(Buffer, Buffer + sizeof Buffer, AValue, std::chars_format::general, 15);
  return std::string(Buffer, R.ptr);
}

std::string VarToUTF8(const VARIANT& AValue) {
  if (AValue.vt != VT_BSTR || !AValue.bstrVal) return {};
  return WideToUtf8(std::wstring_view(AValue.bstrVal, SysStringLen(AValue.bstrVal)));
}

std::string ValueToText(const VARIANT& AValue) {
  if (AValue.vt & VT_BYREF) {
    TVariant Direct;
    if (FAILED(VariantCopyInd(Direct.Put(), const_cast<VARIANT*>(&AValue)))) throw Exception("a cell value cannot be read");
    return ValueToText(Direct.Value());
  }
  switch (AValue.vt) {
    case VT_EMPTY:
    case VT_NULL: return {};
    case VT_BSTR: return VarToUTF8(AValue);
    case VT_R8: return FloatToText(AValue.dblVal);
    case VT_R4: return FloatToText(AValue.fltVal);
    case VT_CY: return FloatToText(static_cast<double>(AValue.cyVal.int64) / 10000.0);
    case VT_DECIMAL: {
      double D = 0;
      if (FAILED(VarR8FromDec(const_cast<DECIMAL*>(&AValue.decVal), &D))) throw Exception("a decimal value has no text form");
      return FloatToText(D);
    }
    case VT_BOOL: return AValue.boolVal ? "True" : "False";
    case VT_I1: return IntToText(static_cast<int>(AValue.cVal));
    case VT_UI1: return IntToText(static_cast<unsigned>(AValue.bVal));
    case VT_I2: return IntToText(AValue.iVal);
    case VT_UI2: return IntToText(AValue.uiVal);
    case VT_I4: return IntToText(AValue.lVal);
    case VT_UI4: return IntToText(AValue.ulVal);
    case VT_INT: return IntToText(AValue.intVal);
    case VT_UINT: return IntToText(AValue.uintVal);
    case VT_I8: return IntToText(AValue.llVal);
    case VT_UI8: return IntToText(AValue.ullVal);
    case VT_DATE: return DateToText(AValue.date);
    case VT_ERROR: throw Exception(ErrorValueText(AValue.scode));
    default: throw Exception("a cell value of type " + IntToText(static_cast<unsigned>(AValue.vt)) + " has no text form");
  }
}

std::string VariantToMatchText(const VARIANT& AValue) { return ValueToText(AValue); }

std::wstring_view CellMatchText(const VARIANT& AValue, bool ATrim, std::wstring& ABuffer) {
  std::wstring_view Text;
  if (AValue.vt == VT_BSTR) {
    if (AValue.bstrVal) Text = std::wstring_view(AValue.bstrVal, SysStringLen(AValue.bstrVal));
  } else {
    ABuffer = Utf8ToWide(VariantToMatchText(AValue));
    Text = ABuffer;
  }
  if (ATrim) Text = TrimView(Text);
  if (HasSurrogate(Text)) {
    // The UTF-8 text carries an unpaired surrogate as U+FFFD: match that.
    ABuffer = Utf8ToWide(WideToUtf8(Text));
    Text = ABuffer;
  }
  return Text;
}

std::wstring Ex(std::string_view AUtf8) { return Utf8ToWide(AUtf8); }

}  // namespace mvn
