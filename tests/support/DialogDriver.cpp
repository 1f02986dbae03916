#include "support/DialogDriver.h"

#include <chrono>

#include "base/uUnicode.h"

namespace mvn::test {

namespace {

constexpr int PollMs = 20;
// How long windows may stay open after the script ended before they count
// as left open: a posted click needs a moment to close its window.
constexpr int GraceMs = 2000;

std::string SafeText(HWND AWnd) {
  DWORD_PTR Len = 0;
  if (!SendMessageTimeoutW(AWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 3000, &Len)) return {};
  std::wstring Buf(Len + 1, L'\0');
  DWORD_PTR Got = 0;
  if (!SendMessageTimeoutW(AWnd, WM_GETTEXT, Buf.size(), reinterpret_cast<LPARAM>(Buf.data()), SMTO_ABORTIFHUNG, 3000,
                           &Got))
    return {};
  Buf.resize(Got);
  return WideToUtf8(Buf);
}

std::string ClassOf(HWND AWnd) {
  wchar_t Buf[256];
  const int Len = GetClassNameW(AWnd, Buf, 256);
  return WideToUtf8(std::wstring_view(Buf, Len > 0 ? Len : 0));
}

std::string WithoutAmpersands(const std::string& AText) {
  std::string R;
  for (size_t I = 0; I < AText.size(); ++I) {
    if (AText[I] == '&' && I + 1 < AText.size()) ++I;
    R += AText[I];
  }
  return R;
}

bool SameTextNoCase(const std::string& A, const std::string& B) {
  return lstrcmpiW(Utf8ToWide(A).c_str(), Utf8ToWide(B).c_str()) == 0;
}

BOOL CALLBACK CollectTopLevel(HWND AWnd, LPARAM AParam) {
  DWORD Pid = 0;
  GetWindowThreadProcessId(AWnd, &Pid);
  if (Pid == GetCurrentProcessId() && IsWindowVisible(AWnd)) reinterpret_cast<std::vector<HWND>*>(AParam)->push_back(AWnd);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND AWnd, LPARAM AParam) {
  reinterpret_cast<std::vector<HWND>*>(AParam)->push_back(AWnd);
  return TRUE;
}

LPARAM KeyLParam(WORD AVk, bool AUp, bool AAlt) {
  const UINT Scan = MapVirtualKeyW(AVk, MAPVK_VK_TO_VSC);
  LPARAM L = 1 | (static_cast<LPARAM>(Scan & 0xFF) << 16);
  if (AAlt) L |= 1 << 29;
  if (AUp) L |= (1u << 30) | (1u << 31);
  return L;
}

HWND FocusOf(HWND AWnd) {
  GUITHREADINFO Info{};
  Info.cbSize = sizeof(Info);
  if (GetGUIThreadInfo(GetWindowThreadProcessId(AWnd, nullptr), &Info) && Info.hwndFocus) return Info.hwndFocus;
  return AWnd;
}

}  // namespace

TDialogDriver::TDialogDriver(TScript AScript, int ATimeoutMs) : FTimeoutMs(ATimeoutMs) {
  for (HWND W : VisibleWindows()) FPreexisting.insert(W);
  FThread = std::thread([this, S = std::move(AScript)]() mutable { Run(std::move(S)); });
}

TDialogDriver::~TDialogDriver() { Finish(); }

std::vector<HWND> TDialogDriver::VisibleWindows() const {
  std::vector<HWND> List;
  EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&List));
  return List;
}

void TDialogDriver::Fail(const std::string& AWhy) {
  std::lock_guard<std::mutex> Guard(FLock);
  FFailures.push_back(AWhy);
}

void TDialogDriver::CloseStrangers(const std::string& AWanted) {
  for (HWND W : VisibleWindows()) {
    if (FPreexisting.count(W) || FKnown.count(W)) continue;
    const std::string T = Title(W);
    if (!AWanted.empty() && T == AWanted) continue;
    Fail("unexpected window \"" + T + "\"" + (AWanted.empty() ? "" : " while waiting for \"" + AWanted + "\"") +
         ": " + TextOf(W, "Edit"));
    FKnown.insert(W);
    Close(W);
  }
}

HWND TDialogDriver::WaitFor(const std::string& ATitle) {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(FTimeoutMs);
  while (!FStop && std::chrono::steady_clock::now() < Deadline) {
    for (HWND W : VisibleWindows()) {
      if (FPreexisting.count(W) || FKnown.count(W) || Title(W) != ATitle) continue;
      FKnown.insert(W);
      return W;
    }
    CloseStrangers(ATitle);
    Sleep(PollMs);
  }
  Fail("window \"" + ATitle + "\" did not appear");
  return nullptr;
}

bool TDialogDriver::WaitGone(HWND AWnd) {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(FTimeoutMs);
  while (std::chrono::steady_clock::now() < Deadline) {
    if (!IsWindow(AWnd) || !IsWindowVisible(AWnd)) return true;
    Sleep(PollMs);
  }
  Fail("window \"" + Title(AWnd) + "\" stayed open");
  return false;
}

std::string TDialogDriver::Title(HWND AWnd) { return SafeText(AWnd); }

std::vector<TDialogDriver::TChild> TDialogDriver::Children(HWND AWnd) {
  std::vector<HWND> Handles;
  EnumChildWindows(AWnd, &CollectChild, reinterpret_cast<LPARAM>(&Handles));
  std::vector<TChild> Result;
  for (HWND H : Handles) Result.push_back({H, ClassOf(H), SafeText(H)});
  return Result;
}

std::string TDialogDriver::TextOf(HWND AWnd, const std::string& AClassName) {
  for (const TChild& C : Children(AWnd))
    if (SameTextNoCase(C.ClassName, AClassName)) return C.Text;
  return {};
}

bool TDialogDriver::Click(HWND AWnd, const std::string& ACaption) {
  for (const TChild& C : Children(AWnd)) {
    if (!SameTextNoCase(C.ClassName, "Button")) continue;
    if (C.Text == ACaption || WithoutAmpersands(C.Text) == ACaption) {
      PostMessageW(C.Handle, BM_CLICK, 0, 0);
      return true;
    }
  }
  Fail("no button \"" + ACaption + "\" in \"" + Title(AWnd) + "\"");
  return false;
}

void TDialogDriver::PressKey(HWND AWnd, WORD AVirtualKey) {
  const HWND Target = FocusOf(AWnd);
  PostMessageW(Target, WM_KEYDOWN, AVirtualKey, KeyLParam(AVirtualKey, false, false));
  PostMessageW(Target, WM_KEYUP, AVirtualKey, KeyLParam(AVirtualKey, true, false));
}

void TDialogDriver::PressAlt(HWND AWnd, char ALetter) {
  const HWND Target = FocusOf(AWnd);
  const WORD Vk = static_cast<WORD>(ALetter >= 'a' && ALetter <= 'z' ? ALetter - 'a' + 'A' : ALetter);
  PostMessageW(Target, WM_SYSKEYDOWN, Vk, KeyLParam(Vk, false, true));
  PostMessageW(Target, WM_SYSKEYUP, Vk, KeyLParam(Vk, true, true));
}

void TDialogDriver::Close(HWND AWnd) { PostMessageW(AWnd, WM_CLOSE, 0, 0); }

void TDialogDriver::Run(TScript AScript) {
  try {
    AScript(*this);
  } catch (const std::exception& E) {
    Fail(std::string("script raised: ") + E.what());
  } catch (...) {
    Fail("script raised an exception");
  }
  // Whatever is still open after a grace period was not answered by the
  // script: report it and keep closing it so that the test's modal call
  // returns.
  const auto Ended = std::chrono::steady_clock::now();
  std::set<HWND> Reported;
  for (int Round = 0; !FStop; ++Round) {
    if (std::chrono::steady_clock::now() - Ended >= std::chrono::milliseconds(GraceMs)) {
      for (HWND W : VisibleWindows()) {
        if (FPreexisting.count(W)) continue;
        if (Reported.insert(W).second) Fail("window \"" + Title(W) + "\" left open");
        if (Round % 25 == 0) Close(W);
      }
    }
    Sleep(PollMs);
  }
}

std::string TDialogDriver::Finish() {
  if (!FFinished) {
    FFinished = true;
    FStop = true;
    if (FThread.joinable()) FThread.join();
  }
  std::lock_guard<std::mutex> Guard(FLock);
  std::string All;
  for (const std::string& F : FFailures) All += F + "\n";
  return All;
}

}  // namespace mvn::test
