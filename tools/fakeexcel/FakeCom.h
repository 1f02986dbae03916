// Small owners for VARIANT, BSTR and interface pointers, used inside the
// stand-in and by its own tests. Nothing here throws.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string_view>
#include <utility>

namespace mvn::fake {

class TVariant {
 public:
  TVariant() noexcept { VariantInit(&FValue); }
  ~TVariant() { VariantClear(&FValue); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
  TVariant(TVariant&& AOther) noexcept : FValue(AOther.FValue) { VariantInit(&AOther.FValue); }
  TVariant& operator=(TVariant&& AOther) noexcept {
    if (this != &AOther) {
      VariantClear(&FValue);
      FValue = AOther.FValue;
      VariantInit(&AOther.FValue);
    }
    return *this;
  }

  VARIANT* Get() noexcept { return &FValue; }
  const VARIANT* Get() const noexcept { return &FValue; }
  VARTYPE Type() const noexcept { return V_VT(&FValue); }
  void Clear() noexcept { VariantClear(&FValue); }
  // Hands the value over to a caller-owned VARIANT; this one becomes empty.
  void DetachTo(VARIANT* ATarget) noexcept {
    *ATarget = FValue;
    VariantInit(&FValue);
  }

 private:
  VARIANT FValue;
};

class TBstr {
 public:
  TBstr() noexcept = default;
  explicit TBstr(std::wstring_view AText)
      : FText(SysAllocStringLen(AText.data(), static_cast<UINT>(AText.size()))) {}
  ~TBstr() { SysFreeString(FText); }
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  TBstr(TBstr&& AOther) noexcept : FText(std::exchange(AOther.FText, nullptr)) {}
  TBstr& operator=(TBstr&& AOther) noexcept {
    if (this != &AOther) {
      SysFreeString(FText);
      FText = std::exchange(AOther.FText, nullptr);
    }
    return *this;
  }

  BSTR Get() const noexcept { return FText; }
  BSTR Detach() noexcept { return std::exchange(FText, nullptr); }

 private:
  BSTR FText = nullptr;
};

// Owns one reference.
template <class T>
class TComPtr {
 public:
  TComPtr() noexcept = default;
  // Takes over a reference the caller already holds.
  explicit TComPtr(T* AOwned) noexcept : FPtr(AOwned) {}
  ~TComPtr() { Reset(); }
  TComPtr(const TComPtr& AOther) noexcept : FPtr(AOther.FPtr) {
    if (FPtr) FPtr->AddRef();
  }
  TComPtr& operator=(const TComPtr& AOther) noexcept {
    TComPtr Copy(AOther);
    std::swap(FPtr, Copy.FPtr);
    return *this;
  }
  TComPtr(TComPtr&& AOther) noexcept : FPtr(std::exchange(AOther.FPtr, nullptr)) {}
  TComPtr& operator=(TComPtr&& AOther) noexcept {
    if (this != &AOther) {
      Reset();
      FPtr = std::exchange(AOther.FPtr, nullptr);
    }
    return *this;
  }

  T* Get() const noexcept { return FPtr; }
  T* operator->() const noexcept { return FPtr; }
  explicit operator bool() const noexcept { return FPtr != nullptr; }
  T* Detach() noexcept { return std::exchange(FPtr, nullptr); }
  void Reset() noexcept {
    if (FPtr) std::exchange(FPtr, nullptr)->Release();
  }
  // For out-parameters: releases what is held first.
  T** Put() noexcept {
    Reset();
    return &FPtr;
  }

 private:
  T* FPtr = nullptr;
};

}  // namespace mvn::fake
