#include "ui/wnd/uClipboard.h"

#include <windows.h>

#include <cstring>

#include "base/uUnicode.h"

namespace mvn {

namespace {

// Another program may hold the clipboard for a moment: try a few times.
class TClipboardLock {
 public:
  TClipboardLock() {
    for (int I = 0; I < 10 && !FOpen; ++I) {
      FOpen = OpenClipboard(nullptr) != FALSE;
      if (!FOpen) Sleep(20);
    }
  }
  ~TClipboardLock() {
    if (FOpen) CloseClipboard();
  }
  TClipboardLock(const TClipboardLock&) = delete;
  TClipboardLock& operator=(const TClipboardLock&) = delete;
  explicit operator bool() const { return FOpen; }

 private:
  bool FOpen = false;
};

}  // namespace

bool SetClipboardText(const std::string& AText) {
  const std::wstring Wide = Utf8ToWide(AText);
  const size_t Bytes = (Wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL Mem = GlobalAlloc(GMEM_MOVEABLE, Bytes);
  if (!Mem) return false;
  void* Dest = GlobalLock(Mem);
  if (!Dest) {
    GlobalFree(Mem);
    return false;
  }
  std::memcpy(Dest, Wide.c_str(), Bytes);
  GlobalUnlock(Mem);

  TClipboardLock Lock;
  if (!Lock || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, Mem)) {
    GlobalFree(Mem);
    return false;
  }
  return true;  // the clipboard owns the memory now
}

std::string ClipboardText() {
  TClipboardLock Lock;
  if (!Lock) return {};
  HANDLE Data = GetClipboardData(CF_UNICODETEXT);
  if (!Data) return {};
  const auto* Text = static_cast<const wchar_t*>(GlobalLock(Data));
  if (!Text) return {};
  // The block may be larger than the text; stop at the terminator.
  const size_t Max = GlobalSize(Data) / sizeof(wchar_t);
  size_t Len = 0;
  while (Len < Max && Text[Len]) ++Len;
  std::string Result = WideToUtf8(std::wstring_view(Text, Len));
  GlobalUnlock(Data);
  return Result;
}

}  // namespace mvn
