#include "ui/uWinApp.h"

#include <windows.h>

#include "base/uUnicode.h"
#include "i18n/uTranslator.h"
#include "store/uUtils.h"
#include "store/uWinFile.h"
#include "ui/frmDialogs.h"
#include "ui/wnd/uWnd.h"

namespace mvn {

namespace {

HICON GAppIcon = nullptr;
HICON GAppIconSmall = nullptr;
bool GInitialised = false;

void LoadIconPair(HINSTANCE AInst, const wchar_t* AName, UINT AFlags) {
  GAppIcon = static_cast<HICON>(LoadImageW(AInst, AName, IMAGE_ICON, 0, 0, AFlags | LR_DEFAULTSIZE));
  if (GAppIcon) GAppIconSmall = static_cast<HICON>(LoadImageW(AInst, AName, IMAGE_ICON, 16, 16, AFlags));
}

}  // namespace

void InitWindowLayer() {
  if (GInitialised) return;
  InitWindowClasses();
  TApplication& App = Application();
  App.Title = "Morvane";
  App.OnException = &GlobalExceptionHandler;
  LoadAppIcon();
  GInitialised = true;
}

void ShutdownWindowLayer() {
  DoneWindowClasses();
  Application().OnException = nullptr;
  GInitialised = false;
}

void* AppIconHandle() { return GAppIcon; }
void* AppIconSmall() { return GAppIconSmall; }

void LoadAppIcon() {
  try {
    if (!GAppIcon) LoadIconPair(ModuleInstance(), L"MAINICON", 0);
    if (!GAppIcon) {
      const std::string File = ModuleDir() + "app.ico";
      if (FileExistsU(File)) LoadIconPair(nullptr, Utf8ToWide(File).c_str(), LR_LOADFROMFILE);
    }
    if (GAppIcon) Application().Icon = GAppIcon;
  } catch (...) {
    // Without an icon the windows keep the system's default one.
  }
}

void ApplyIconNow(TForm& AForm) {
  HWND Wnd = AForm.Handle();
  if (!Wnd || !GAppIcon) return;
  SendMessageW(Wnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(GAppIcon));
  SendMessageW(Wnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(GAppIconSmall));
  // The pointer-sized variant: on 64-bit Windows the class icon slot is
  // pointer-sized, and the 32-bit one maps to SetClassLongW.
  SetClassLongPtrW(Wnd, GCLP_HICON, reinterpret_cast<LONG_PTR>(GAppIcon));
  SetClassLongPtrW(Wnd, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(GAppIconSmall));
}

void LoadFormIcon(TForm& AForm) {
  try {
    if (!GAppIcon) LoadAppIcon();
    if (GAppIcon) AForm.Icon = GAppIcon;
    if (AForm.HandleAllocated()) {
      ApplyIconNow(AForm);
      return;
    }
    // Chained in front of the form's own show handler, for every showing.
    AForm.OnShow = [Prev = std::move(AForm.OnShow)](TForm& ASender) {
      ApplyIconNow(ASender);
      if (Prev) Prev(ASender);
    };
  } catch (...) {
  }
}

std::string ExceptionReportText(const char* ASenderClass, const std::string& AClassName, const std::string& AMessage) {
  std::string Text = TLang("gl.unhandled") + "\r\n\r\n" + TLang("gl.type") + AClassName + "\r\n" + TLang("gl.message") +
                     AMessage;
  if (ASenderClass) Text += "\r\n" + TLang("gl.source") + ASenderClass;
  return Text;
}

void GlobalExceptionHandler(const char* ASenderClass, const std::string& AClassName, const std::string& AMessage) {
  ShowErrorDialog(TLang("gl.error_title"), ExceptionReportText(ASenderClass, AClassName, AMessage));
}

}  // namespace mvn
