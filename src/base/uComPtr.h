// Owning pointers for COM interfaces and OLE values.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <utility>

namespace mvn {

// Holds one counted reference to a COM interface.
template <class T>
class TComPtr {
 public:
  TComPtr() = default;
  // Takes over a reference the caller already owns.
  static TComPtr Attach(T* APtr) {
    TComPtr R;
    R.FPtr = APtr;
    return R;
  }
  // Adds a reference of its own.
  static TComPtr Share(T* APtr) {
    if (APtr) APtr->AddRef();
    return Attach(APtr);
  }
  TComPtr(const TComPtr& AOther) : FPtr(AOther.FPtr) {
    if (FPtr) FPtr->AddRef();
  }
  TComPtr(TComPtr&& AOther) noexcept : FPtr(std::exchange(AOther.FPtr, nullptr)) {}
  TComPtr& operator=(TComPtr AOther) noexcept {
    std::swap(FPtr, AOther.FPtr);
    return *this;
  }
  ~TComPtr() { Reset(); }

  void Reset() noexcept {
    if (FPtr) std::exchange(FPtr, nullptr)->Release();
  }
  T* Get() const noexcept { return FPtr; }
  T* operator->() const noexcept { return FPtr; }
  explicit operator bool() const noexcept { return FPtr != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  T** Put() noexcept {
    Reset();
    return &FPtr;
  }
  // Gives up ownership of the reference.
  T* Detach() noexcept { return std::exchange(FPtr, nullptr); }

 private:
  T* FPtr = nullptr;
};

// A VARIANT that clears itself.
class TVariant {
 public:
  TVariant() noexcept { VariantInit(&FValue); }
  TVariant(const TVariant& AOther) : TVariant() { VariantCopy(&FValue, AOther.Raw()); }
  TVariant(TVariant&& AOther) noexcept : FValue(AOther.FValue) { VariantInit(&AOther.FValue); }
  TVariant& operator=(TVariant AOther) noexcept {
    std::swap(FValue, AOther.FValue);
    return *this;
  }
  ~TVariant() { VariantClear(&FValue); }

  static TVariant FromInt(LONG AValue) {
    TVariant R;
    R.FValue.vt = VT_I4;
    R.FValue.lVal = AValue;
    return R;
  }
  static TVariant FromBool(bool AValue) {
    TVariant R;
    R.FValue.vt = VT_BOOL;
    R.FValue.boolVal = AValue ? VARIANT_TRUE : VARIANT_FALSE;
    return R;
  }
  // A string value; throws std::bad_alloc when the string cannot be made.
  static TVariant FromString(const wchar_t* AText, size_t ALength);
  // Holds its own counted reference to ADispatch.
  static TVariant FromDispatch(IDispatch* ADispatch) {
    TVariant R;
    R.FValue.vt = VT_DISPATCH;
    R.FValue.pdispVal = ADispatch;
    if (ADispatch) ADispatch->AddRef();
    return R;
  }

  VARTYPE Type() const noexcept { return FValue.vt; }
  const VARIANT& Value() const noexcept { return FValue; }
  // For OLE functions that only read their argument but are declared
  // without const.
  VARIANT* Raw() const noexcept { return const_cast<VARIANT*>(&FValue); }
  VARIANT* Put() noexcept {
    VariantClear(&FValue);
    return &FValue;
  }
  // Hands the contents to a VARIANT the caller owns (an out-parameter).
  void DetachTo(VARIANT* ATarget) noexcept {
    *ATarget = FValue;
    VariantInit(&FValue);
  }

 private:
  VARIANT FValue;
};

inline TVariant TVariant::FromString(const wchar_t* AText, size_t ALength) {
  TVariant R;
  BSTR S = SysAllocStringLen(AText, static_cast<UINT>(ALength));
  if (!S) throw std::bad_alloc();
  R.FValue.vt = VT_BSTR;
  R.FValue.bstrVal = S;
  return R;
}

}  // namespace mvn
