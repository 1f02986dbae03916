// Owners of Win32 handles: each closes its handle on every path out of the
// function that holds it.
#pragma once
#include <windows.h>

#include <utility>

namespace mvn {

// A handle described by TTraits: its type, the value that means "none"
// (Invalid()) and how it is closed (Close()).
template <class TTraits>
class TUniqueHandle {
  using THandleType = typename TTraits::THandleType;
  static THandleType None() noexcept { return TTraits::Invalid(); }

 public:
  TUniqueHandle() = default;
  explicit TUniqueHandle(THandleType AHandle) noexcept : FHandle(AHandle) {}
  TUniqueHandle(TUniqueHandle&& AOther) noexcept : FHandle(std::exchange(AOther.FHandle, None())) {}
  TUniqueHandle& operator=(TUniqueHandle&& AOther) noexcept {
    if (this != &AOther) {
      Close();
      FHandle = std::exchange(AOther.FHandle, None());
    }
    return *this;
  }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;
  ~TUniqueHandle() { Close(); }

  bool Valid() const noexcept { return FHandle != None(); }
  THandleType Get() const noexcept { return FHandle; }
  // For out-parameters: closes what is held and hands out the slot.
  THandleType* Put() noexcept {
    Close();
    return &FHandle;
  }
  // For callers that must close before they go on (a rename needs the
  // written file closed); true when nothing was open or closing worked.
  bool Close() noexcept {
    if (!Valid()) return true;
    return TTraits::Close(std::exchange(FHandle, None()));
  }

 private:
  THandleType FHandle = None();
};

// CreateFileW's handles: INVALID_HANDLE_VALUE means none.
struct TFileTraits {
  using THandleType = HANDLE;
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE AHandle) noexcept { return CloseHandle(AHandle) != 0; }
};
struct TFindTraits {
  using THandleType = HANDLE;
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Close(HANDLE AHandle) noexcept { return FindClose(AHandle) != 0; }
};
struct TRegKeyTraits {
  using THandleType = HKEY;
  static HKEY Invalid() noexcept { return nullptr; }
  static bool Close(HKEY AKey) noexcept { return RegCloseKey(AKey) == ERROR_SUCCESS; }
};

using TFileHandle = TUniqueHandle<TFileTraits>;
using TFindHandle = TUniqueHandle<TFindTraits>;
using TRegKey = TUniqueHandle<TRegKeyTraits>;

}  // namespace mvn
