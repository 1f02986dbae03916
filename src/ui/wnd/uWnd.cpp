#include "ui/wnd/uWnd.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <exception>

#include "base/uExcept.h"
#include "base/uModule.h"
#include "base/uUnicode.h"

namespace mvn {

namespace {

constexpr UINT WM_MVN_SYNC = WM_APP + 0x4D56;

std::wstring GClassNames[3];
std::wstring GAppClassName;
std::wstring GPropName;
bool GRegistered = false;
// Read by worker threads in Synchronize.
std::atomic<HWND> GAppWnd{nullptr};
std::atomic<DWORD> GUiThread{0};
TGdiObject GMessageFont;
UINT GNextId = 1000;

// Names carry the module handle: two copies of the layer in one process
// (a test program that also loads the DLL) must not share classes.
std::wstring ModuleTag(const wchar_t* APrefix) {
  wchar_t Buf[64];
  swprintf(Buf, 64, L"Morvane.%ls.%p", APrefix, static_cast<void*>(ModuleInstance()));
  return Buf;
}

const std::wstring& PropName() {
  if (GPropName.empty()) GPropName = ModuleTag(L"Wnd");
  return GPropName;
}

struct TSyncJob {
  const std::function<void()>* Proc;
  std::exception_ptr Error;
};

LRESULT CALLBACK AppWndProc(HWND AWnd, UINT AMsg, WPARAM AWParam, LPARAM ALParam) {
  if (AMsg == WM_MVN_SYNC) {
    auto* Job = reinterpret_cast<TSyncJob*>(ALParam);
    try {
      (*Job->Proc)();
    } catch (...) {
      Job->Error = std::current_exception();
    }
    return 1;
  }
  return DefWindowProcW(AWnd, AMsg, AWParam, ALParam);
}

// Rectangle of one child in pixels. AClient is the parent's client area,
// AFree what the aligned controls placed so far have left of it.
RECT ChildRect(const TPlace& P, const RECT& AClient, RECT& AFree, int ADpi) {
  auto S = [ADpi](int V) { return DpiScale(V, ADpi); };
  RECT R{};
  switch (P.Align) {
    case alTop:
      R = {AFree.left + S(P.Left), AFree.top + S(P.Top), AFree.right - S(P.Right), AFree.top + S(P.Top) + S(P.Height)};
      AFree.top = R.bottom + S(P.Bottom);
      break;
    case alBottom:
      R = {AFree.left + S(P.Left), AFree.bottom - S(P.Bottom) - S(P.Height), AFree.right - S(P.Right),
           AFree.bottom - S(P.Bottom)};
      AFree.bottom = R.top - S(P.Top);
      break;
    case alLeft:
      R = {AFree.left + S(P.Left), AFree.top + S(P.Top), AFree.left + S(P.Left) + S(P.Width), AFree.bottom - S(P.Bottom)};
      AFree.left = R.right + S(P.Right);
      break;
    case alRight:
      R = {AFree.right - S(P.Right) - S(P.Width), AFree.top + S(P.Top), AFree.right - S(P.Right),
           AFree.bottom - S(P.Bottom)};
      AFree.right = R.left - S(P.Left);
      break;
    case alClient:
      R = {AFree.left + S(P.Left), AFree.top + S(P.Top), AFree.right - S(P.Right), AFree.bottom - S(P.Bottom)};
      break;
    case alNone: {
      auto Axis = [&](bool ALow, bool AHigh, int ALowGap, int AHighGap, int ASize, LONG AFrom, LONG ATo, LONG& A1,
                      LONG& A2) {
        if (ALow && AHigh) {
          A1 = AFrom + S(ALowGap);
          A2 = ATo - S(AHighGap);
        } else if (AHigh) {
          A2 = ATo - S(AHighGap);
          A1 = A2 - S(ASize);
        } else {
          A1 = AFrom + S(ALowGap);
          A2 = A1 + S(ASize);
        }
      };
      Axis(P.Anchors & akLeft, P.Anchors & akRight, P.Left, P.Right, P.Width, AClient.left, AClient.right, R.left,
           R.right);
      Axis(P.Anchors & akTop, P.Anchors & akBottom, P.Top, P.Bottom, P.Height, AClient.top, AClient.bottom, R.top,
           R.bottom);
      break;
    }
  }
  if (R.right < R.left) R.right = R.left;
  if (R.bottom < R.top) R.bottom = R.top;
  return R;
}

}  // namespace

// --- Module, DPI ---------------------------------------------------------------

HINSTANCE ModuleInstance() { return ThisModule(); }

int ScreenDpi() {
  static int GDpi = [] {
    HDC DC = GetDC(nullptr);
    int Dpi = DC ? GetDeviceCaps(DC, LOGPIXELSY) : 96;
    if (DC) ReleaseDC(nullptr, DC);
    return Dpi > 0 ? Dpi : 96;
  }();
  return GDpi;
}

int DpiScale(int AValue, int ADpi) { return MulDiv(AValue, ADpi, 96); }

HFONT MessageFont() {
  if (!GMessageFont.Get()) {
    NONCLIENTMETRICSW Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0))
      GMessageFont.Reset(CreateFontIndirectW(&Metrics.lfMessageFont));
  }
  return GMessageFont.Get() ? GMessageFont.Font() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

TGdiObject CreatePointFont(const wchar_t* AFace, int APoints) {
  LOGFONTW Font{};
  Font.lfHeight = -MulDiv(APoints, ScreenDpi(), 72);
  Font.lfWeight = FW_NORMAL;
  Font.lfCharSet = DEFAULT_CHARSET;
  Font.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(Font.lfFaceName, AFace, LF_FACESIZE);
  return TGdiObject(CreateFontIndirectW(&Font));
}

// --- Application ---------------------------------------------------------------

TApplication& Application() {
  static TApplication GApp;
  return GApp;
}

void TApplication::HandleException(const char* ASenderClass) noexcept {
  try {
    const TCaughtError E = DescribeCurrentException();
    if (OnException) {
      OnException(ASenderClass, E.ClassName, E.Message);
    } else {
      OutputDebugStringW(Utf8ToWide(E.ClassName + ": " + E.Message).c_str());
    }
  } catch (...) {
    // The hook failed in turn: nothing is left that could report it.
  }
}

void TApplication::ProcessMessages() {
  MSG Msg;
  while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) {
    if (Msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(Msg.wParam));
      break;
    }
    TranslateMessage(&Msg);
    DispatchMessageW(&Msg);
  }
}

const wchar_t* WndClassName(TWndClass AClass) { return GClassNames[AClass].c_str(); }

void InitWindowClasses() {
  if (GRegistered) return;
  INITCOMMONCONTROLSEX Icc{sizeof(Icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&Icc);

  const HINSTANCE Inst = ModuleInstance();
  GClassNames[wcForm] = ModuleTag(L"Form");
  GClassNames[wcPanel] = ModuleTag(L"Panel");
  GClassNames[wcLabel] = ModuleTag(L"Label");
  GAppClassName = ModuleTag(L"App");
  for (int I = 0; I < 3; ++I) {
    WNDCLASSEXW Cls{};
    Cls.cbSize = sizeof(Cls);
    Cls.style = CS_DBLCLKS | (I == wcLabel ? CS_HREDRAW | CS_VREDRAW : 0);
    Cls.lpfnWndProc = &TControl::StaticWndProcEntry;
    Cls.hInstance = Inst;
    Cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    Cls.lpszClassName = GClassNames[I].c_str();
    RegisterClassExW(&Cls);
  }
  WNDCLASSEXW App{};
  App.cbSize = sizeof(App);
  App.lpfnWndProc = &AppWndProc;
  App.hInstance = Inst;
  App.lpszClassName = GAppClassName.c_str();
  RegisterClassExW(&App);

  // A hidden window of the user-interface thread: it owns the forms (so they
  // get no task-bar button while having no window of the host's as owner)
  // and serves Synchronize. No title, so a search by title never finds it.
  GAppWnd = CreateWindowExW(0, GAppClassName.c_str(), L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Inst, nullptr);
  GUiThread = GetCurrentThreadId();
  GRegistered = true;
}

void DoneWindowClasses() {
  if (!GRegistered) return;
  if (HWND App = GAppWnd.exchange(nullptr)) DestroyWindow(App);
  GUiThread = 0;
  GMessageFont.Reset();
  const HINSTANCE Inst = ModuleInstance();
  for (auto& Name : GClassNames) UnregisterClassW(Name.c_str(), Inst);
  UnregisterClassW(GAppClassName.c_str(), Inst);
  GRegistered = false;
}

void Synchronize(const std::function<void()>& AProc) {
  if (GUiThread == GetCurrentThreadId()) {
    AProc();
    return;
  }
  const HWND Target = GAppWnd.load();
  if (!Target) throw Exception("The window layer is not initialised");
  TSyncJob Job{&AProc, nullptr};
  if (SendMessageW(Target, WM_MVN_SYNC, 0, reinterpret_cast<LPARAM>(&Job)) != 1)
    throw Exception("The user-interface thread did not answer");
  if (Job.Error) std::rethrow_exception(Job.Error);
}

// --- TControl ------------------------------------------------------------------

TControl::TControl(std::string AText, const TPlace& APlace) : Place(APlace), FText(std::move(AText)) {}

TControl::~TControl() { DestroyHandle(); }

TForm* TControl::Form() noexcept {
  TControl* C = this;
  while (C->FParent) C = C->FParent;
  return dynamic_cast<TForm*>(C);
}

void TControl::AdoptChild(std::unique_ptr<TControl> AChild) {
  AChild->FParent = this;
  FChildren.push_back(std::move(AChild));
  if (FHandle) {
    FChildren.back()->CreateHandle();
    Realign();
  }
}

void TControl::HandleNeeded() {
  if (!FHandle) CreateHandle();
}

void TControl::CreateHandle() {
  if (FHandle) return;
  InitWindowClasses();
  HWND ParentWnd = nullptr;
  if (FParent) {
    FParent->HandleNeeded();
    if (FHandle) return;  // the parent created its children, this one among them
    ParentWnd = FParent->FHandle;
  }
  const TCreateParams P = CreateParams();
  DWORD Style = P.Style;
  HMENU Id = nullptr;
  if (FParent) {
    Style |= WS_CHILD | WS_CLIPSIBLINGS | (FVisible ? WS_VISIBLE : 0);
    Id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(GNextId));
    GNextId = GNextId >= 0xF000 ? 1000 : GNextId + 1;
  } else {
    ParentWnd = P.Owner;
  }
  if (!FEnabled) Style |= WS_DISABLED;
  HWND Wnd = CreateWindowExW(P.ExStyle, P.ClassName, Utf8ToWide(PrepareText(FText)).c_str(), Style, 0, 0, 0, 0,
                             ParentWnd, Id, ModuleInstance(), P.OwnClass ? this : nullptr);
  if (!Wnd) throw Exception("Cannot create a window of class " + std::string(ClassName()));
  if (!P.OwnClass) {
    FHandle = Wnd;
    SetPropW(Wnd, PropName().c_str(), this);
  }
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(FFont ? FFont : MessageFont()), FALSE);
  HandleCreated();
  for (auto& Child : FChildren) Child->CreateHandle();
  Realign();
}

void TControl::ForgetHandles() noexcept {
  for (auto& Child : FChildren) Child->ForgetHandles();
  if (FHandle) RemovePropW(FHandle, PropName().c_str());
  FHandle = nullptr;
}

void TControl::DestroyHandle() noexcept {
  if (!FHandle) return;
  HWND Wnd = FHandle;
  // Destroying a window destroys its children; the objects let go of theirs
  // first so that no message reaches a half-destroyed object.
  ForgetHandles();
  DestroyWindow(Wnd);
}

LRESULT TControl::Perform(UINT AMsg, WPARAM AWParam, LPARAM ALParam) const {
  return FHandle ? SendMessageW(FHandle, AMsg, AWParam, ALParam) : 0;
}

void TControl::ApplyFont(HFONT AFont) {
  FFont = AFont;
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(AFont), TRUE);
}

std::string TControl::Text() const {
  if (!FHandle) return FText;
  const int Len = GetWindowTextLengthW(FHandle);
  std::wstring Buf(static_cast<size_t>(Len) + 1, L'\0');
  Buf.resize(static_cast<size_t>(GetWindowTextW(FHandle, Buf.data(), Len + 1)));
  return WideToUtf8(Buf);
}

void TControl::SetText(const std::string& AText) {
  FText = AText;
  if (FHandle) SetWindowTextW(FHandle, Utf8ToWide(PrepareText(AText)).c_str());
}

void TControl::SetEnabled(bool AValue) {
  FEnabled = AValue;
  if (FHandle) EnableWindow(FHandle, AValue);
}

void TControl::SetVisible(bool AValue) {
  FVisible = AValue;
  if (FHandle && FParent) {
    ShowWindow(FHandle, AValue ? SW_SHOWNA : SW_HIDE);
    FParent->Realign();
  }
}

void TControl::SetFocus() {
  if (FHandle) ::SetFocus(FHandle);
}

void TControl::Realign() {
  if (!FHandle || FChildren.empty()) return;
  RECT Client;
  GetClientRect(FHandle, &Client);
  RECT Free = Client;
  const int Dpi = ScreenDpi();
  // Edges first, in the toolkit's order, then what is left, then the
  // anchored controls against the whole client area.
  for (TAlign Kind : {alTop, alBottom, alLeft, alRight, alClient, alNone}) {
    for (auto& Child : FChildren) {
      if (Child->Place.Align != Kind || !Child->FHandle || !Child->FVisible) continue;
      const RECT R = ChildRect(Child->Place, Client, Free, Dpi);
      SetWindowPos(Child->FHandle, nullptr, R.left, R.top, R.right - R.left, R.bottom - R.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

wchar_t TControl::AccelChar(const std::wstring& ACaption) {
  for (size_t I = 0; I + 1 < ACaption.size(); ++I) {
    if (ACaption[I] != L'&') continue;
    if (ACaption[I + 1] == L'&') {
      ++I;
      continue;
    }
    wchar_t C = ACaption[I + 1];
    CharUpperBuffW(&C, 1);
    return C;
  }
  return 0;
}

TControl* TControl::FromHandle(HWND AWnd) noexcept {
  return AWnd ? static_cast<TControl*>(GetPropW(AWnd, PropName().c_str())) : nullptr;
}

bool TControl::Reflect(UINT AMsg, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult) {
  AResult = 0;
  if (AMsg == WM_COMMAND) {
    TControl* Source = FromHandle(reinterpret_cast<HWND>(ALParam));
    if (!Source) return false;
    Application().Guard(Source->ClassName(), [&] { Source->Command(HIWORD(AWParam)); });
    return true;
  }
  if (AMsg == WM_NOTIFY) {
    auto* Header = reinterpret_cast<NMHDR*>(ALParam);
    TControl* Source = Header ? FromHandle(Header->hwndFrom) : nullptr;
    if (!Source) return false;
    Application().Guard(Source->ClassName(), [&] { AResult = Source->Notify(Header); });
    return true;
  }
  return false;
}

LRESULT TControl::WndProc(UINT AMsg, WPARAM AWParam, LPARAM ALParam) {
  LRESULT Result;
  if (Reflect(AMsg, AWParam, ALParam, Result)) return Result;
  if (AMsg == WM_SIZE) Realign();
  return DefWindowProcW(FHandle, AMsg, AWParam, ALParam);
}

LRESULT CALLBACK TControl::StaticWndProcEntry(HWND AWnd, UINT AMsg, WPARAM AWParam, LPARAM ALParam) {
  TControl* Self = nullptr;
  if (AMsg == WM_NCCREATE) {
    Self = static_cast<TControl*>(reinterpret_cast<CREATESTRUCTW*>(ALParam)->lpCreateParams);
    if (Self) {
      Self->FHandle = AWnd;
      SetPropW(AWnd, PropName().c_str(), Self);
    }
  } else {
    Self = FromHandle(AWnd);
  }
  if (!Self) return DefWindowProcW(AWnd, AMsg, AWParam, ALParam);
  if (AMsg == WM_NCDESTROY) {
    RemovePropW(AWnd, PropName().c_str());
    Self->FHandle = nullptr;
    return DefWindowProcW(AWnd, AMsg, AWParam, ALParam);
  }
  // An exception must never unwind through the system's frames.
  try {
    return Self->WndProc(AMsg, AWParam, ALParam);
  } catch (...) {
    Application().HandleException(Self->ClassName());
    return 0;
  }
}

// --- TForm -----------------------------------------------------------------------

TForm::TForm(const TFormArgs& AArgs) : TControl(AArgs.Caption, TPlace{}), KeyPreview(AArgs.KeyPreview), FArgs(AArgs) {}

TForm::~TForm() = default;

TControl::TCreateParams TForm::CreateParams() const {
  TCreateParams P;
  P.ClassName = WndClassName(wcForm);
  P.OwnClass = true;
  P.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  P.ExStyle = WS_EX_CONTROLPARENT;
  if (FArgs.BorderStyle == bsSizeable)
    P.Style |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  else
    P.ExStyle |= WS_EX_DLGMODALFRAME;
  // Owned by the hidden application window of this thread: no task-bar
  // button, and no tie to any window of the host's.
  if (GAppWnd && GUiThread == GetCurrentThreadId()) P.Owner = GAppWnd;
  return P;
}

void TForm::HandleCreated() {
  SetClientSize(FArgs.Width, FArgs.Height);
  CentreOnScreen();
  if (HICON I = Icon ? Icon : Application().Icon) Perform(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(I));
}

void TForm::SetClientSize(int AWidth, int AHeight) {
  FArgs.Width = AWidth;
  FArgs.Height = AHeight;
  if (!FHandle) return;
  RECT R{0, 0, DpiScale(AWidth), DpiScale(AHeight)};
  AdjustWindowRectEx(&R, static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_EXSTYLE)));
  SetWindowPos(FHandle, nullptr, 0, 0, R.right - R.left, R.bottom - R.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::CentreOnScreen() {
  RECT Win;
  GetWindowRect(FHandle, &Win);
  MONITORINFO Info{};
  Info.cbSize = sizeof(Info);
  RECT Work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &Info)) Work = Info.rcWork;
  const int W = Win.right - Win.left, H = Win.bottom - Win.top;
  SetWindowPos(FHandle, nullptr, Work.left + (Work.right - Work.left - W) / 2, Work.top + (Work.bottom - Work.top - H) / 2,
               0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetModalResult(int AValue) {
  FModalResult = AValue;
  // Wakes the modal loop when the result was set from a sent message.
  if (FHandle) PostMessageW(FHandle, WM_NULL, 0, 0);
}

namespace {

struct TDisabledWindows {
  HWND Except;
  std::vector<HWND> List;
};

BOOL CALLBACK DisableWindow(HWND AWnd, LPARAM AParam) {
  auto* D = reinterpret_cast<TDisabledWindows*>(AParam);
  if (AWnd != D->Except && IsWindowVisible(AWnd) && IsWindowEnabled(AWnd)) {
    EnableWindow(AWnd, FALSE);
    D->List.push_back(AWnd);
  }
  return TRUE;
}

}  // namespace

int TForm::ShowModal() {
  if (FInModalLoop) throw Exception("The window is already shown");
  HandleNeeded();
  FModalResult = mrNone;
  const HWND PrevActive = GetActiveWindow();
  if (OnShow) OnShow(*this);

  TDisabledWindows Disabled{FHandle, {}};
  EnumThreadWindows(GetCurrentThreadId(), &DisableWindow, reinterpret_cast<LPARAM>(&Disabled));
  struct TRestore {
    TForm& Form;
    TDisabledWindows& Disabled;
    HWND PrevActive;
    ~TRestore() {
      Form.FInModalLoop = false;
      for (auto It = Disabled.List.rbegin(); It != Disabled.List.rend(); ++It)
        if (IsWindow(*It)) EnableWindow(*It, TRUE);
      if (Form.FHandle) ShowWindow(Form.FHandle, SW_HIDE);
      if (PrevActive && IsWindow(PrevActive)) SetActiveWindow(PrevActive);
    }
  } Restore{*this, Disabled, PrevActive};

  FInModalLoop = true;
  ShowWindow(FHandle, SW_SHOWNORMAL);
  SetForegroundWindow(FHandle);
  HWND Focus = ActiveControl && ActiveControl->Handle() ? ActiveControl->Handle()
                                                        : GetNextDlgTabItem(FHandle, nullptr, FALSE);
  if (Focus) ::SetFocus(Focus);

  MSG Msg;
  while (FModalResult == mrNone) {
    const BOOL Got = GetMessageW(&Msg, nullptr, 0, 0);
    if (Got == 0) {
      // WM_QUIT belongs to the outer loop of whoever posted it.
      PostQuitMessage(static_cast<int>(Msg.wParam));
      FModalResult = mrCancel;
      break;
    }
    if (Got == -1 || !FHandle) {
      FModalResult = mrCancel;
      break;
    }
    if (PreprocessMessage(Msg)) continue;
    if (IsDialogMessageW(FHandle, &Msg)) continue;
    TranslateMessage(&Msg);
    DispatchMessageW(&Msg);
  }
  return FModalResult;
}

TControl* TForm::FindAccel(TControl& AParent, wchar_t AChar) {
  for (auto& Child : AParent.FChildren) {
    if (!Child->FHandle || !IsWindowVisible(Child->FHandle) || !IsWindowEnabled(Child->FHandle)) continue;
    if (AccelChar(Utf8ToWide(Child->FText)) == AChar) return Child.get();
    if (TControl* Inner = FindAccel(*Child, AChar)) return Inner;
  }
  return nullptr;
}

bool TForm::PreprocessMessage(MSG& AMsg) {
  if (AMsg.message < WM_KEYFIRST || AMsg.message > WM_KEYLAST) return false;
  if (AMsg.hwnd != FHandle && !IsChild(FHandle, AMsg.hwnd)) return false;
  switch (AMsg.message) {
    case WM_KEYDOWN: {
      if (KeyPreview && OnKeyDown) {
        WORD Key = static_cast<WORD>(AMsg.wParam);
        Application().Guard(ClassName(), [&] { OnKeyDown(*this, Key); });
        if (Key == 0) return true;
        AMsg.wParam = Key;
      }
      if (AMsg.wParam == VK_RETURN) {
        // Enter presses the focused button; no button is the default one.
        TControl* Focused = FromHandle(GetFocus());
        if (Focused && Focused->Form() == this) {
          bool Clicked = false;
          Application().Guard(Focused->ClassName(), [&] { Clicked = Focused->Click(); });
          if (Clicked) return true;
        }
      }
      if (AMsg.wParam == VK_ESCAPE) {
        // The dialog manager would turn Esc into IDCANCEL before any key
        // press handler saw it: translate it here so that it does.
        TranslateMessage(&AMsg);
        DispatchMessageW(&AMsg);
        return true;
      }
      return false;
    }
    case WM_CHAR:
      if (KeyPreview && OnKeyPress) {
        wchar_t Key = static_cast<wchar_t>(AMsg.wParam);
        Application().Guard(ClassName(), [&] { OnKeyPress(*this, Key); });
        if (Key == 0) return true;
        AMsg.wParam = Key;
      }
      return false;
    case WM_SYSKEYDOWN: {
      // Alt + the letter marked with "&" in a caption.
      const WPARAM Vk = AMsg.wParam;
      if (!((Vk >= 'A' && Vk <= 'Z') || (Vk >= '0' && Vk <= '9'))) return false;
      TControl* Target = FindAccel(*this, static_cast<wchar_t>(Vk));
      if (!Target) return false;
      bool Clicked = false;
      Application().Guard(Target->ClassName(), [&] { Clicked = Target->Click(); });
      if (!Clicked) Target->SetFocus();
      return true;
    }
    default:
      return false;
  }
}

LRESULT TForm::WndProc(UINT AMsg, WPARAM AWParam, LPARAM ALParam) {
  switch (AMsg) {
    case WM_CLOSE:
      if (FInModalLoop)
        SetModalResult(mrCancel);
      else
        ShowWindow(FHandle, SW_HIDE);
      return 0;
    case WM_COMMAND:
      if (ALParam == 0 && LOWORD(AWParam) == IDCANCEL) {
        if (FInModalLoop) SetModalResult(mrCancel);
        return 0;
      }
      break;
    case WM_SIZE: {
      Realign();
      if (OnResize) Application().Guard(ClassName(), [&] { OnResize(*this); });
      return 0;
    }
    case WM_GETMINMAXINFO:
      if (FArgs.MinWidth > 0 || FArgs.MinHeight > 0) {
        RECT R{0, 0, DpiScale(FArgs.MinWidth), DpiScale(FArgs.MinHeight)};
        AdjustWindowRectEx(&R, static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_EXSTYLE)));
        auto* Info = reinterpret_cast<MINMAXINFO*>(ALParam);
        Info->ptMinTrackSize = POINT{R.right - R.left, R.bottom - R.top};
        return 0;
      }
      break;
    default:
      break;
  }
  return TControl::WndProc(AMsg, AWParam, ALParam);
}

}  // namespace mvn
