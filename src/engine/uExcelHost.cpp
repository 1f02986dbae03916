#include "engine/uExcelHost.h"

#include <algorithm>
#include <cstdio>

#include "base/uUnicode.h"

namespace mvn {

namespace {

std::string HResultText(HRESULT ACode) {
  wchar_t* Buffer = nullptr;
  const DWORD Len = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(ACode), 0, reinterpret_cast<LPWSTR>(&Buffer), 0, nullptr);
  std::wstring Text(Buffer ? Buffer : L"", Len);
  if (Buffer) LocalFree(Buffer);
  while (!Text.empty() && (Text.back() == L'\r' || Text.back() == L'\n' || Text.back() == L' ')) Text.pop_back();
  char Code[32];
  std::snprintf(Code, sizeof Code, "OLE error %08lX", static_cast<unsigned long>(ACode));
  return Text.empty() ? std::string(Code) : WideToUtf8(Text);
}

// Frees the strings of an EXCEPINFO on every path.
struct TExcepInfo {
  EXCEPINFO Info{};
  ~TExcepInfo() {
    SysFreeString(Info.bstrSource);
    SysFreeString(Info.bstrDescription);
    SysFreeString(Info.bstrHelpFile);
  }
  std::string Describe(HRESULT ACode) {
    if (Info.pfnDeferredFillIn) Info.pfnDeferredFillIn(&Info);
    if (Info.bstrDescription && SysStringLen(Info.bstrDescription) > 0)
      return WideToUtf8(std::wstring_view(Info.bstrDescription, SysStringLen(Info.bstrDescription)));
    return HResultText(Info.scode ? Info.scode : ACode);
  }
};

std::string MemberName(const wchar_t* AName) { return WideToUtf8(AName); }

}  // namespace

TVariant TAutoObject::Invoke(const wchar_t* AName, WORD AFlags, const std::vector<TVariant>& AArgs, bool APut) const {
  if (!FDispatch) throw EHostError("no object to call " + MemberName(AName) + " on", E_POINTER);
  DISPID Id = DISPID_UNKNOWN;
  LPOLESTR Name = const_cast<LPOLESTR>(AName);
  HRESULT Hr = FDispatch->GetIDsOfNames(IID_NULL, &Name, 1, LOCALE_USER_DEFAULT, &Id);
  if (FAILED(Hr)) throw EHostError(MemberName(AName) + ": " + HResultText(Hr), Hr);

  // Automation takes the arguments last first.
  std::vector<VARIANT> Args(AArgs.size());
  std::transform(AArgs.rbegin(), AArgs.rend(), Args.begin(), [](const TVariant& V) { return V.Value(); });
  DISPID NamedPut = DISPID_PROPERTYPUT;
  DISPPARAMS Params{Args.data(), APut ? &NamedPut : nullptr, static_cast<UINT>(Args.size()), APut ? 1u : 0u};
  TVariant Result;
  TExcepInfo Excep;
  UINT ArgErr = 0;
  Hr = FDispatch->Invoke(Id, IID_NULL, LOCALE_USER_DEFAULT, AFlags, &Params, APut ? nullptr : Result.Put(),
                         &Excep.Info, &ArgErr);
  if (FAILED(Hr)) throw EHostError(Hr == DISP_E_EXCEPTION ? Excep.Describe(Hr) : HResultText(Hr), Hr);
  return Result;
}

TVariant TAutoObject::GetProp(const wchar_t* AName, const std::vector<TVariant>& AArgs) const {
  return Invoke(AName, DISPATCH_PROPERTYGET | DISPATCH_METHOD, AArgs, false);
}

void TAutoObject::PutProp(const wchar_t* AName, const TVariant& AValue, const std::vector<TVariant>& AArgs) const {
  // The value to put travels as the first (last-first: the last) argument.
  std::vector<TVariant> Args(AArgs);
  Args.push_back(AValue);
  Invoke(AName, DISPATCH_PROPERTYPUT, Args, true);
}

TVariant TAutoObject::CallMethod(const wchar_t* AName, const std::vector<TVariant>& AArgs) const {
  return Invoke(AName, DISPATCH_METHOD, AArgs, false);
}

TAutoObject TAutoObject::GetObject(const wchar_t* AName, const std::vector<TVariant>& AArgs) const {
  TVariant V = GetProp(AName, AArgs);
  if (V.Type() != VT_DISPATCH || !V.Value().pdispVal)
    throw EHostError(MemberName(AName) + " did not answer an object", DISP_E_TYPEMISMATCH);
  return Share(V.Value().pdispVal);
}

int64_t TAutoObject::GetInt64(const wchar_t* AName) const {
  TVariant V = GetProp(AName);
  TVariant Number;
  if (FAILED(VariantChangeType(Number.Put(), V.Raw(), 0, VT_I8)))
    throw EHostError(MemberName(AName) + " did not answer a number", DISP_E_TYPEMISMATCH);
  return Number.Value().llVal;
}

namespace host {

std::string ApplicationVersion(const TAutoObject& AExcel) {
  TVariant V = AExcel.GetProp(L"Version");
  TVariant Text;
  if (FAILED(VariantChangeType(Text.Put(), V.Raw(), 0, VT_BSTR)))
    throw EHostError("Version did not answer a text", DISP_E_TYPEMISMATCH);
  return WideToUtf8(std::wstring_view(Text.Value().bstrVal, SysStringLen(Text.Value().bstrVal)));
}

TSelection ApplicationSelection(const TAutoObject& AExcel) {
  TVariant V = AExcel.GetProp(L"Selection");
  TSelection Result;
  if (V.Type() == VT_EMPTY || V.Type() == VT_NULL) return Result;
  if (V.Type() == VT_DISPATCH && !V.Value().pdispVal) return Result;
  if (V.Type() != VT_DISPATCH) throw EHostError("Selection did not answer an object", DISP_E_TYPEMISMATCH);
  Result.Empty = false;
  Result.Range = TAutoObject::Share(V.Value().pdispVal);
  return Result;
}

TAutoObject ApplicationCommandBars(const TAutoObject& AExcel) { return AExcel.GetObject(L"CommandBars"); }

int32_t AreasCount(const TAutoObject& ARange) {
  return static_cast<int32_t>(ARange.GetObject(L"Areas").GetInt64(L"Count"));
}

TAutoObject AreasItem(const TAutoObject& ARange, int32_t AIndex) {
  return ARange.GetObject(L"Areas").GetObject(L"Item", {TVariant::FromInt(AIndex)});
}

int64_t RowsCount(const TAutoObject& ARange) { return ARange.GetObject(L"Rows").GetInt64(L"Count"); }
int64_t ColumnsCount(const TAutoObject& ARange) { return ARange.GetObject(L"Columns").GetInt64(L"Count"); }
int64_t RangeRow(const TAutoObject& ARange) { return ARange.GetInt64(L"Row"); }
int64_t RangeColumn(const TAutoObject& ARange) { return ARange.GetInt64(L"Column"); }

TVariant ReadValue2(const TAutoObject& ARange) { return ARange.GetProp(L"Value2"); }

void WriteCellText(const TAutoObject& ARange, int32_t ARow, int32_t ACol, const std::wstring& AText) {
  TAutoObject Cell = ARange.GetObject(L"Cells").GetObject(L"Item", {TVariant::FromInt(ARow), TVariant::FromInt(ACol)});
  Cell.PutProp(L"Value2", TVariant::FromString(AText.data(), AText.size()));
}

TAutoObject SpecialCells(const TAutoObject& ARange, LONG AType, LONG AValue) {
  return ARange.GetObject(L"SpecialCells", {TVariant::FromInt(AType), TVariant::FromInt(AValue)});
}

}  // namespace host

TValueBlock::TValueBlock(const VARIANT& AArray) {
  SAFEARRAY* Array = nullptr;
  if (AArray.vt == (VT_ARRAY | VT_VARIANT)) Array = AArray.parray;
  else if (AArray.vt == (VT_ARRAY | VT_VARIANT | VT_BYREF) && AArray.pparray) Array = *AArray.pparray;
  if (!Array || SafeArrayGetDim(Array) != 2) throw Exception("the host did not answer a two-dimensional value block");
  LONG Lower1 = 0, Upper1 = -1, Lower2 = 0, Upper2 = -1;
  SafeArrayGetLBound(Array, 1, &Lower1);
  SafeArrayGetUBound(Array, 1, &Upper1);
  SafeArrayGetLBound(Array, 2, &Lower2);
  SafeArrayGetUBound(Array, 2, &Upper2);
  void* Data = nullptr;
  if (FAILED(SafeArrayAccessData(Array, &Data))) throw Exception("the host's value block cannot be read");
  FArray = Array;
  FData = static_cast<const VARIANT*>(Data);
  FRows = std::max<int64_t>(0, int64_t(Upper1) - Lower1 + 1);
  FCols = std::max<int64_t>(0, int64_t(Upper2) - Lower2 + 1);
}

TValueBlock::~TValueBlock() {
  if (FArray) SafeArrayUnaccessData(FArray);
}

// Safe arrays keep their first index running fastest.
const VARIANT& TValueBlock::At(int64_t ARow, int64_t ACol) const { return FData[(ARow - 1) + (ACol - 1) * FRows]; }

}  // namespace mvn
