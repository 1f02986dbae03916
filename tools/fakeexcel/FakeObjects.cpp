// The automation objects of the stand-in. Each class answers a small member
// table through IDispatch only; there is no type library and no vtable
// interface beyond IDispatch, so a client can reach them only by late
// binding. DISPIDs differ between classes, so a client that reuses a DISPID
// learnt from another class gets DISP_E_MEMBERNOTFOUND, as it would from the
// real application.
#include "fakeexcel/FakeExcel.h"

#include <atomic>
#include <exception>
#include <new>
#include <span>
#include <stdexcept>
#include <utility>

#include "base/uUnicode.h"
#include "base/uComPtr.h"
#include "fakeexcel/FakeInternal.h"

namespace mvn::fake {

namespace {

std::atomic<long> GLiveObjects{0};

// Invoke flags a member accepts.
enum : unsigned { acGet = 1, acPut = 2, acMethod = 4 };

struct TMember {
  const char* Name;  // as the call log spells it
  DISPID Id;
  unsigned Access;
  UINT MinArgs;  // positional arguments of a get or method call
  UINT MaxArgs;
};

bool SameNameNoCase(const wchar_t* AName, const char* AMember) {
  for (; *AName && *AMember; ++AName, ++AMember) {
    wchar_t X = *AName;
    char Y = *AMember;
    if (X >= L'A' && X <= L'Z') X = wchar_t(X + 32);
    if (Y >= 'A' && Y <= 'Z') Y = char(Y + 32);
    if (X != wchar_t(Y)) return false;
  }
  return *AName == 0 && *AMember == 0;
}

// The positional arguments of one Invoke in the caller's order: COM passes
// them last first.
class TArgs {
 public:
  explicit TArgs(const DISPPARAMS& AParams) : FParams(AParams) {}

  UINT Count() const { return FParams.cArgs; }
  // An optional argument the caller left out, or passed as "missing".
  bool Missing(UINT AIndex) const {
    if (AIndex >= Count()) return true;
    const VARIANT& V = FParams.rgvarg[RawIndex(AIndex)];
    const VARIANT& Inner =
        V_VT(&V) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&V) ? *V_VARIANTREF(&V) : V;
    return V_VT(&Inner) == VT_ERROR && V_ERROR(&Inner) == DISP_E_PARAMNOTFOUND;
  }
  int32_t Int(UINT AIndex) const {
    TVariant V = Coerced(AIndex, VT_I4);
    return V_I4(V.Raw());
  }
  // The argument with any VT_BYREF removed, converted to AType.
  TVariant Coerced(UINT AIndex, VARTYPE AType) const {
    TVariant Plain = Unwrapped(AIndex);
    TVariant Result;
    if (FAILED(VariantChangeType(Result.Put(), Plain.Raw(), 0, AType)))
      throw TFail{DISP_E_TYPEMISMATCH, L"", false, RawIndex(AIndex)};
    return Result;
  }
  TVariant Unwrapped(UINT AIndex) const {
    TVariant Plain;
    if (FAILED(VariantCopyInd(Plain.Put(), &FParams.rgvarg[RawIndex(AIndex)])))
      throw TFail{DISP_E_TYPEMISMATCH, L"", false, RawIndex(AIndex)};
    return Plain;
  }
  UINT RawIndex(UINT AIndex) const { return FParams.cArgs - 1 - AIndex; }

 private:
  const DISPPARAMS& FParams;
};

HRESULT ReportFailure(const TFail& AFail, EXCEPINFO* AExcepInfo, UINT* AArgErr) {
  if (!AFail.AsException) {
    if (AArgErr && AFail.ArgErr != UINT(-1)) *AArgErr = AFail.ArgErr;
    return AFail.Code;
  }
  if (!AExcepInfo) return AFail.Code;
  *AExcepInfo = EXCEPINFO{};
  AExcepInfo->bstrSource = SysAllocString(ExceptionSource);
  AExcepInfo->bstrDescription =
      SysAllocStringLen(AFail.Message.data(), UINT(AFail.Message.size()));
  AExcepInfo->scode = AFail.Code;
  return DISP_E_EXCEPTION;
}

class TDispObject : public IDispatch {
 public:
  TDispObject(const TDispObject&) = delete;
  TDispObject& operator=(const TDispObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID AIid, void** AObject) override {
    if (!AObject) return E_POINTER;
    if (IsEqualIID(AIid, IID_IUnknown) || IsEqualIID(AIid, IID_IDispatch)) {
      *AObject = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *AObject = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG Left = --FRefs;
    if (Left == 0) delete this;
    return Left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* ACount) override {
    if (!ACount) return E_POINTER;
    *ACount = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** AInfo) override {
    if (!AInfo) return E_POINTER;
    *AInfo = nullptr;
    return DISP_E_BADINDEX;
  }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID AIid, LPOLESTR* ANames, UINT ACount, LCID,
                                          DISPID* AIds) override {
    if (!IsEqualIID(AIid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!ANames || !AIds || ACount == 0) return E_INVALIDARG;
    HRESULT Result = DISP_E_UNKNOWNNAME;
    AIds[0] = DISPID_UNKNOWN;
    if (ANames[0]) {
      for (const TMember& M : FMembers)
        if (SameNameNoCase(ANames[0], M.Name)) {
          AIds[0] = M.Id;
          Result = S_OK;
          break;
        }
    }
    // No member takes named arguments.
    for (UINT I = 1; I < ACount; ++I) {
      AIds[I] = DISPID_UNKNOWN;
      Result = DISP_E_UNKNOWNNAME;
    }
    return Result;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID AId, REFIID AIid, LCID, WORD AFlags,
                                   DISPPARAMS* AParams, VARIANT* AResult, EXCEPINFO* AExcepInfo,
                                   UINT* AArgErr) override {
    if (AResult) VariantInit(AResult);
    try {
      if (!IsEqualIID(AIid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
      if (!AParams || (AParams->cArgs && !AParams->rgvarg) ||
          (AParams->cNamedArgs && !AParams->rgdispidNamedArgs) ||
          AParams->cNamedArgs > AParams->cArgs)
        return E_INVALIDARG;
      const TMember* M = Find(AId);
      if (!M) return DISP_E_MEMBERNOTFOUND;
      const bool IsPut = (AFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
      TCallKind Kind;
      if (IsPut) {
        if (!(M->Access & acPut)) return DISP_E_MEMBERNOTFOUND;
        Kind = TCallKind::Put;
      } else {
        const bool Fits = ((AFlags & DISPATCH_PROPERTYGET) && (M->Access & acGet)) ||
                          ((AFlags & DISPATCH_METHOD) && (M->Access & acMethod));
        if (!Fits) return DISP_E_MEMBERNOTFOUND;
        Kind = (M->Access & acMethod) ? TCallKind::Method : TCallKind::Get;
      }
      TCall Call{FKind, M->Name, Kind, LogArea(), S_OK};
      try {
        const VARIANT* PutValue = CheckParams(*M, IsPut, *AParams);
        TBookAccess::CheckFaults(*FBook, Call);
        Do(*M, Kind, TArgs(*AParams), PutValue, AResult);
      } catch (const TFail& F) {
        if (AResult) VariantClear(AResult);
        Call.Result = ReportFailure(F, AExcepInfo, AArgErr);
      }
      TBookAccess::Log(*FBook, Call);
      return Call.Result;
    } catch (const std::bad_alloc&) {
      if (AResult) VariantClear(AResult);
      return E_OUTOFMEMORY;
    } catch (const std::exception& E) {
      if (AResult) VariantClear(AResult);
      try {
        return ReportFailure(TFail{E_UNEXPECTED, Utf8ToWide(E.what())}, AExcepInfo, AArgErr);
      } catch (...) {
        return E_UNEXPECTED;
      }
    } catch (...) {
      if (AResult) VariantClear(AResult);
      return E_UNEXPECTED;
    }
  }

 protected:
  TDispObject(std::shared_ptr<TWorkbook> ABook, const char* AKind,
              std::span<const TMember> AMembers)
      : FBook(std::move(ABook)), FKind(AKind), FMembers(AMembers) {
    ++GLiveObjects;
  }
  virtual ~TDispObject() { --GLiveObjects; }

  // Carries out a call whose flags and argument count have been checked.
  // APutValue is the value of a put. AResult may be null. Throws TFail.
  virtual void Do(const TMember& AMember, TCallKind AKind, const TArgs& AArgs,
                  const VARIANT* APutValue, VARIANT* AResult) = 0;
  // The area the call log records for calls on this object.
  virtual TArea LogArea() const { return TArea{0, 0, 0, 0}; }

  TWorkbook& Book() const { return *FBook; }
  const std::shared_ptr<TWorkbook>& BookPtr() const { return FBook; }

 private:
  const TMember* Find(DISPID AId) const {
    for (const TMember& M : FMembers)
      if (M.Id == AId) return &M;
    return nullptr;
  }

  // Checks the argument block; answers the value of a put.
  static const VARIANT* CheckParams(const TMember& AMember, bool AIsPut, const DISPPARAMS& AParams) {
    if (AIsPut) {
      // A put passes its value as the one named argument DISPID_PROPERTYPUT;
      // no property here takes an index.
      if (AParams.cNamedArgs != 1 || AParams.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
        throw TFail{DISP_E_PARAMNOTFOUND, L"", false};
      if (AParams.cArgs != 1) throw TFail{DISP_E_BADPARAMCOUNT, L"", false};
      return &AParams.rgvarg[0];
    }
    if (AParams.cNamedArgs != 0) throw TFail{DISP_E_NONAMEDARGS, L"", false};
    if (AParams.cArgs < AMember.MinArgs || AParams.cArgs > AMember.MaxArgs)
      throw TFail{DISP_E_BADPARAMCOUNT, L"", false};
    const TArgs Args(AParams);
    for (UINT I = 0; I < AMember.MinArgs; ++I)
      if (Args.Missing(I)) throw TFail{DISP_E_PARAMNOTOPTIONAL, L"", false, Args.RawIndex(I)};
    return nullptr;
  }

  std::atomic<ULONG> FRefs{1};
  std::shared_ptr<TWorkbook> FBook;
  const char* FKind;
  std::span<const TMember> FMembers;
};

// --- Results ----------------------------------------------------------------

void ReturnInt(VARIANT* AResult, int32_t AValue) {
  if (!AResult) return;
  V_VT(AResult) = VT_I4;
  V_I4(AResult) = AValue;
}

void ReturnText(VARIANT* AResult, std::wstring_view AText) {
  if (!AResult) return;
  BSTR S = SysAllocStringLen(AText.data(), UINT(AText.size()));
  if (!S) throw std::bad_alloc();
  V_VT(AResult) = VT_BSTR;
  V_BSTR(AResult) = S;
}

// Takes over the reference of a new object.
void ReturnObject(VARIANT* AResult, IDispatch* AObject) {
  if (!AResult) {
    AObject->Release();
    return;
  }
  V_VT(AResult) = VT_DISPATCH;
  V_DISPATCH(AResult) = AObject;
}

// A value put into a cell, as the cell keeps it.
TValue PutToValue(const VARIANT* AValue) {
  TVariant Plain;
  if (FAILED(VariantCopyInd(Plain.Put(), const_cast<VARIANT*>(AValue))))
    throw TFail{DISP_E_TYPEMISMATCH, L"", false, 0};
  const VARIANT* V = &Plain.Value();
  switch (V_VT(V)) {
    case VT_EMPTY:
    case VT_NULL: return TValue{};
    case VT_BSTR: {
      // The application keeps no empty constant: "" clears the cell.
      const UINT Length = SysStringLen(V_BSTR(V));
      if (Length == 0) return TValue{};
      return TValue::OfText(std::wstring_view(V_BSTR(V), Length));
    }
    case VT_BOOL: return TValue::OfBool(V_BOOL(V) != VARIANT_FALSE);
    case VT_ERROR:
      if ((uint32_t(V_ERROR(V)) & 0xFFFF0000u) == 0x800A0000u)
        return TValue::OfError(int32_t(V_ERROR(V) & 0xFFFF));
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN: break;
    default:
      if (V_VT(V) & VT_ARRAY) break;
      TVariant Number;
      if (SUCCEEDED(VariantChangeType(Number.Put(), Plain.Raw(), 0, VT_R8)))
        return TValue::OfNumber(V_R8(Number.Raw()));
      break;
  }
  throw TFail{DISP_E_TYPEMISMATCH, L"", false, 0};
}

// --- Objects ----------------------------------------------------------------

// Rows and Columns of a range: only their Count is asked for, which is the
// height or width of the range's first area.
class TSizeObject final : public TDispObject {
 public:
  // ARows: the range's Rows, else its Columns.
  TSizeObject(std::shared_ptr<TWorkbook> ABook, bool ARows, const TArea& AArea)
      : TDispObject(std::move(ABook), ARows ? "Rows" : "Columns",
                    ARows ? RowsMembers : ColumnsMembers),
        FArea(AArea),
        FCount(ARows ? AArea.Rows : AArea.Columns) {}

 private:
  static constexpr TMember RowsMembers[] = {{"Count", 0x4001, acGet, 0, 0}};
  static constexpr TMember ColumnsMembers[] = {{"Count", 0x5001, acGet, 0, 0}};

  void Do(const TMember&, TCallKind, const TArgs&, const VARIANT*, VARIANT* AResult) override {
    ReturnInt(AResult, FCount);
  }
  TArea LogArea() const override { return FArea; }

  TArea FArea;
  int32_t FCount;
};

class TRange;

class TAreas final : public TDispObject {
 public:
  TAreas(std::shared_ptr<TWorkbook> ABook, std::vector<TArea> AAreas)
      : TDispObject(std::move(ABook), "Areas", Members), FAreas(std::move(AAreas)) {}

 private:
  enum : DISPID { idCount = 0x3001, idItem = DISPID_VALUE };
  static constexpr TMember Members[] = {
      {"Count", idCount, acGet, 0, 0},
      {"Item", idItem, acGet | acMethod, 1, 1},
  };

  void Do(const TMember& AMember, TCallKind, const TArgs& AArgs, const VARIANT*,
          VARIANT* AResult) override;
  TArea LogArea() const override { return FAreas.front(); }

  std::vector<TArea> FAreas;
};

class TRange final : public TDispObject {
 public:
  TRange(std::shared_ptr<TWorkbook> ABook, std::vector<TArea> AAreas)
      : TDispObject(std::move(ABook), "Range", Members), FAreas(std::move(AAreas)) {}

 private:
  enum : DISPID {
    idAreas = 0x2001,
    idRows,
    idColumns,
    idCount,
    idRow,
    idColumn,
    idValue2,
    idCells,
    idItem,
    idSpecialCells,
  };
  static constexpr TMember Members[] = {
      {"Areas", idAreas, acGet, 0, 0},
      {"Rows", idRows, acGet, 0, 0},
      {"Columns", idColumns, acGet, 0, 0},
      {"Count", idCount, acGet, 0, 0},
      {"Row", idRow, acGet, 0, 0},
      {"Column", idColumn, acGet, 0, 0},
      {"Value2", idValue2, acGet | acPut, 0, 0},
      {"Cells", idCells, acGet, 0, 0},
      {"Item", idItem, acGet | acMethod, 2, 2},
      {"SpecialCells", idSpecialCells, acMethod, 1, 2},
  };

  const TArea& First() const { return FAreas.front(); }
  TArea LogArea() const override { return First(); }

  void Do(const TMember& AMember, TCallKind AKind, const TArgs& AArgs, const VARIANT* APutValue,
          VARIANT* AResult) override {
    switch (AMember.Id) {
      case idAreas:
        ReturnObject(AResult, new TAreas(BookPtr(), FAreas));
        break;
      case idRows:
        ReturnObject(AResult, new TSizeObject(BookPtr(), true, First()));
        break;
      case idColumns:
        ReturnObject(AResult, new TSizeObject(BookPtr(), false, First()));
        break;
      case idCount: {
        int64_t Total = 0;
        for (const TArea& A : FAreas) Total += A.CellCount();
        if (Total > INT32_MAX) Fail(L"Overflow", DISP_E_OVERFLOW);
        ReturnInt(AResult, int32_t(Total));
        break;
      }
      case idRow: ReturnInt(AResult, First().Row); break;
      case idColumn: ReturnInt(AResult, First().Column); break;
      case idValue2:
        if (AKind == TCallKind::Put)
          PutValue2(APutValue);
        else
          GetValue2(AResult);
        break;
      case idCells:
        ReturnObject(AResult, new TRange(BookPtr(), FAreas));
        break;
      case idItem: {
        // Counted from the top-left cell of the first area; like the
        // application, indexes beyond the area are allowed.
        const int64_t Row = int64_t(First().Row) + AArgs.Int(0) - 1;
        const int64_t Column = int64_t(First().Column) + AArgs.Int(1) - 1;
        if (Row < 1 || Row > MaxRows || Column < 1 || Column > MaxColumns)
          Fail(L"Unable to get the Item property of the Range class");
        ReturnObject(AResult,
                     new TRange(BookPtr(), {TArea{int32_t(Row), int32_t(Column), 1, 1}}));
        break;
      }
      case idSpecialCells: SpecialCells(AArgs, AResult); break;
    }
  }

  void GetValue2(VARIANT* AResult) {
    // Of a multi-area range the application answers the first area only.
    const TArea& A = First();
    if (A.CellCount() == 1) {
      if (AResult) TBookAccess::CellToVariant(Book(), A.Row, A.Column, AResult);
      return;
    }
    SAFEARRAY* Array = TBookAccess::ReadArea(Book(), A);
    if (!AResult) {
      SafeArrayDestroy(Array);
      return;
    }
    V_VT(AResult) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(AResult) = Array;
  }

  void PutValue2(const VARIANT* AValue) {
    if (FAreas.size() != 1 || First().CellCount() != 1)
      Fail(L"The stand-in sets Value2 of one cell at a time.");
    TBookAccess::WriteCell(Book(), First().Row, First().Column, PutToValue(AValue));
  }

  void SpecialCells(const TArgs& AArgs, VARIANT* AResult) {
    const int32_t Type = AArgs.Int(0);
    const int32_t Mask = AArgs.Missing(1) ? xlSpecValueMask : AArgs.Int(1);
    if (Type != xlCellTypeFormulas && Type != xlCellTypeConstants)
      Fail(L"Unable to get the SpecialCells property of the Range class");
    // Asked of one cell, the application answers for the whole sheet.
    std::vector<TArea> Scope = FAreas;
    if (FAreas.size() == 1 && First().CellCount() == 1) Scope = {TArea{1, 1, MaxRows, MaxColumns}};
    std::vector<TArea> Found = TBookAccess::SpecialCells(Book(), Scope, Type, Mask);
    if (Found.empty()) Fail(L"No cells were found.");
    ReturnObject(AResult, new TRange(BookPtr(), std::move(Found)));
  }

  std::vector<TArea> FAreas;  // never empty
};

void TAreas::Do(const TMember& AMember, TCallKind, const TArgs& AArgs, const VARIANT*,
                VARIANT* AResult) {
  if (AMember.Id == idCount) {
    ReturnInt(AResult, int32_t(FAreas.size()));
    return;
  }
  const int32_t Index = AArgs.Int(0);
  if (Index < 1 || size_t(Index) > FAreas.size())
    Fail(L"Unable to get the Item property of the Areas class");
  ReturnObject(AResult, new TRange(BookPtr(), {FAreas[size_t(Index) - 1]}));
}

// What Selection answers while a chart is selected: an object without the
// members of a range.
class TChart final : public TDispObject {
 public:
  explicit TChart(std::shared_ptr<TWorkbook> ABook)
      : TDispObject(std::move(ABook), "Chart", Members) {}

 private:
  static constexpr TMember Members[] = {{"Name", 0x6001, acGet, 0, 0}};

  void Do(const TMember&, TCallKind, const TArgs&, const VARIANT*, VARIANT* AResult) override {
    ReturnText(AResult, L"Chart 1");
  }
};

class TApplication final : public TDispObject {
 public:
  explicit TApplication(std::shared_ptr<TWorkbook> ABook)
      : TDispObject(std::move(ABook), "Application", Members) {}

 private:
  enum : DISPID { idVersion = 0x1001, idSelection, idCommandBars, idName };
  static constexpr TMember Members[] = {
      {"Version", idVersion, acGet, 0, 0},
      {"Selection", idSelection, acGet, 0, 0},
      {"CommandBars", idCommandBars, acGet, 0, 0},
      {"Name", idName, acGet, 0, 0},
  };

  void Do(const TMember& AMember, TCallKind, const TArgs&, const VARIANT*,
          VARIANT* AResult) override {
    switch (AMember.Id) {
      case idVersion:
        if (TBookAccess::VersionFails(Book())) Fail(L"The version cannot be read.");
        ReturnText(AResult, TBookAccess::Version(Book()));
        break;
      case idSelection: Selection(AResult); break;
      case idCommandBars: Fail(L"CommandBars is not available in the stand-in."); break;
      case idName: ReturnText(AResult, ExceptionSource); break;
    }
  }

  void Selection(VARIANT* AResult) {
    switch (TBookAccess::SelectionKind(Book())) {
      case TSelectionKind::Range:
        ReturnObject(AResult, new TRange(BookPtr(), TBookAccess::Selection(Book())));
        break;
      case TSelectionKind::Nothing: break;  // VT_EMPTY
      case TSelectionKind::Null:
        if (AResult) V_VT(AResult) = VT_NULL;
        break;
      case TSelectionKind::Chart: ReturnObject(AResult, new TChart(BookPtr())); break;
    }
  }
};

}  // namespace

IDispatch* CreateApplication(std::shared_ptr<TWorkbook> ABook) {
  if (!ABook) throw std::invalid_argument("CreateApplication needs a workbook");
  return new TApplication(std::move(ABook));
}

long LiveObjectCount() { return GLiveObjects.load(); }

}  // namespace mvn::fake
