// The window layer: a thin set of classes over Win32 that every window of the
// add-in is built from. A form owns its controls; each control is a small
// class with an args record of defaults and callback members. WM_COMMAND and
// WM_NOTIFY are handed back to the control that raised them, geometry is given
// at 96 DPI and placed by one layout pass that runs again on every resize, and
// no C++ exception ever leaves a window procedure: it goes to the application
// object's exception hook instead.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace mvn {

// --- Module, DPI ------------------------------------------------------------

// The module that holds this code (the add-in DLL inside Excel, the test
// program in tests); window classes are registered with it.
HINSTANCE ModuleInstance();

// Logical pixels per inch of the screen (96 at 100 %).
int ScreenDpi();
// A length given at 96 DPI, scaled to ADpi with rounding.
int DpiScale(int AValue, int ADpi);
inline int DpiScale(int AValue) { return DpiScale(AValue, ScreenDpi()); }

// --- Owned handles -----------------------------------------------------------

// A font, brush or other GDI object deleted with its holder.
class TGdiObject {
 public:
  TGdiObject() = default;
  explicit TGdiObject(HGDIOBJ AHandle) : FHandle(AHandle) {}
  TGdiObject(TGdiObject&& AOther) noexcept : FHandle(std::exchange(AOther.FHandle, nullptr)) {}
  TGdiObject& operator=(TGdiObject&& AOther) noexcept {
    std::swap(FHandle, AOther.FHandle);
    return *this;
  }
  ~TGdiObject() { Reset(); }
  void Reset(HGDIOBJ AHandle = nullptr) noexcept {
    if (FHandle) DeleteObject(FHandle);
    FHandle = AHandle;
  }
  HGDIOBJ Get() const noexcept { return FHandle; }
  HFONT Font() const noexcept { return static_cast<HFONT>(FHandle); }

 private:
  HGDIOBJ FHandle = nullptr;
};

// The system's message font (the one dialogs use), at the screen's DPI.
HFONT MessageFont();
// A font by face name and size in points, for controls that need another one.
TGdiObject CreatePointFont(const wchar_t* AFace, int APoints);

// --- Application object ------------------------------------------------------

// Receives exceptions that escaped an event handler: the class name of the
// control or form whose handler raised it (nullptr when there is none), the
// exception's class name and its message.
using TExceptionHook = void (*)(const char* ASenderClass, const std::string& AClassName, const std::string& AMessage);

class TApplication {
 public:
  std::string Title;
  HICON Icon = nullptr;  // not owned; the default icon of every form
  TExceptionHook OnException = nullptr;

  // Call from inside a catch block: describes the current exception and hands
  // it to OnException. Never throws.
  void HandleException(const char* ASenderClass) noexcept;
  // Runs the handler, routing whatever it throws to HandleException.
  template <class F>
  void Guard(const char* ASenderClass, F&& AHandler) noexcept {
    try {
      AHandler();
    } catch (...) {
      HandleException(ASenderClass);
    }
  }
  // Serves every message waiting for this thread, then returns.
  void ProcessMessages();
};
TApplication& Application();

// Registers the window classes and creates the hidden application window on
// the calling thread, which becomes the user-interface thread. Repeated calls
// do nothing.
void InitWindowClasses();
// Destroys the hidden window, frees the shared font and unregisters the
// classes.
void DoneWindowClasses();

// Our own window classes (unique names, registered with ModuleInstance).
enum TWndClass { wcForm, wcPanel, wcLabel };
const wchar_t* WndClassName(TWndClass AClass);

// Runs AProc on the user-interface thread and waits until it has run there;
// an exception it raises is raised again in the caller. Served by every
// message loop of that thread, modal ones included. Called on the
// user-interface thread itself it simply runs AProc. The user-interface
// thread must not wait for the caller without serving messages.
void Synchronize(const std::function<void()>& AProc);

// --- Controls ------------------------------------------------------------------

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// Where a control sits in its parent, in pixels at 96 DPI.
// alNone: Left/Top/Right/Bottom are distances to the parent's edges, used for
//   the anchored sides (a control anchored right only keeps Right; one
//   anchored left and right stretches). Width/Height apply to the sides that
//   do not stretch.
// alTop/alBottom use Height, alLeft/alRight use Width; alClient fills what the
//   aligned controls leave. For aligned controls Left/Top/Right/Bottom are the
//   spacing kept around the control.
struct TPlace {
  TAlign Align = alNone;
  unsigned Anchors = akLeft | akTop;
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width = 0, Height = 0;
};

enum TModalResult { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrYes = IDYES, mrNo = IDNO };

class TForm;

// One window: a form, a panel or a control. A parent owns its children.
class TControl {
 public:
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;
  virtual ~TControl();

  // The class name shown as the sender of an exception ("TButton").
  virtual const char* ClassName() const noexcept = 0;

  HWND Handle() const noexcept { return FHandle; }
  bool HandleAllocated() const noexcept { return FHandle != nullptr; }
  // Creates the system window (with its parent's and children's) if needed.
  void HandleNeeded();

  TControl* Parent() const noexcept { return FParent; }
  TForm* Form() noexcept;
  TPlace Place;

  std::string Text() const;
  void SetText(const std::string& AText);
  bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool AValue);
  bool Visible() const noexcept { return FVisible; }
  void SetVisible(bool AValue);
  void SetFocus();

  // Creates a child owned by this control; ACreateArgs goes to its
  // constructor.
  template <class T, class... A>
  T& Add(A&&... AArgs) {
    auto Child = std::make_unique<T>(std::forward<A>(AArgs)...);
    T& Ref = *Child;
    AdoptChild(std::move(Child));
    return Ref;
  }
  const std::vector<std::unique_ptr<TControl>>& Children() const noexcept { return FChildren; }

  // Places the children in the current client area; runs on every resize.
  void Realign();

  // The character after "&" in a caption, upper-cased, or 0.
  static wchar_t AccelChar(const std::wstring& ACaption);

  // The window procedure of our own classes.
  static LRESULT CALLBACK StaticWndProcEntry(HWND AWnd, UINT AMsg, WPARAM AWParam, LPARAM ALParam);

 protected:
  TControl(std::string AText, const TPlace& APlace);

  struct TCreateParams {
    const wchar_t* ClassName = nullptr;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    bool OwnClass = false;  // one of our classes: messages reach WndProc
    HWND Owner = nullptr;   // top-level windows only
  };
  virtual TCreateParams CreateParams() const = 0;
  // After the system window exists, before its children are created.
  virtual void HandleCreated() {}
  // Messages of our own classes. The default passes to DefWindowProc.
  virtual LRESULT WndProc(UINT AMsg, WPARAM AWParam, LPARAM ALParam);
  // WM_COMMAND / WM_NOTIFY raised by this control, handed back to it.
  virtual void Command(WORD /*ANotifyCode*/) {}
  virtual LRESULT Notify(NMHDR* /*AHeader*/) { return 0; }
  // True for a control that a click of its access key activates.
  virtual bool Click() { return false; }

  // Sends AMsg when the window exists.
  LRESULT Perform(UINT AMsg, WPARAM AWParam = 0, LPARAM ALParam = 0) const;
  void ApplyFont(HFONT AFont);
  HFONT Font() const noexcept { return FFont ? FFont : MessageFont(); }
  // The text as the system window should show it.
  virtual std::string PrepareText(const std::string& AText) const { return AText; }

  static TControl* FromHandle(HWND AWnd) noexcept;
  // Hands WM_COMMAND/WM_NOTIFY to the control that raised it.
  static bool Reflect(UINT AMsg, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult);

  HWND FHandle = nullptr;
  std::string FText;

 private:
  friend class TForm;
  void AdoptChild(std::unique_ptr<TControl> AChild);
  void CreateHandle();
  void ForgetHandles() noexcept;
  void DestroyHandle() noexcept;

  TControl* FParent = nullptr;
  std::vector<std::unique_ptr<TControl>> FChildren;
  bool FEnabled = true;
  bool FVisible = true;
  HFONT FFont = nullptr;
};

enum TBorderStyle { bsDialog, bsSizeable };

struct TFormArgs {
  std::string Caption;
  int Width = 400, Height = 300;  // client area, 96 DPI
  TBorderStyle BorderStyle = bsDialog;
  bool KeyPreview = false;
  int MinWidth = 0, MinHeight = 0;  // client area, 96 DPI; bsSizeable only
};

// A top-level window: centred on the screen, no owner of the host's, no
// task-bar button, shown modally.
class TForm : public TControl {
 public:
  explicit TForm(const TFormArgs& AArgs = {});
  ~TForm() override;
  const char* ClassName() const noexcept override { return "TForm"; }

  // Runs after the system window exists, before the window becomes visible,
  // at every showing.
  std::function<void(TForm& ASender)> OnShow;
  // With KeyPreview: every key of the window before the control that has the
  // focus. Setting AKey to 0 swallows it.
  std::function<void(TForm& ASender, WORD& AKey)> OnKeyDown;
  std::function<void(TForm& ASender, wchar_t& AKey)> OnKeyPress;
  // The form's size changed (after the children were placed).
  std::function<void(TForm& ASender)> OnResize;
  bool KeyPreview = false;

  // The form's own icon (not owned); nullptr uses the application's.
  HICON Icon = nullptr;

  // Shows the window, disables the thread's other windows and serves
  // messages until ModalResult is set; hides the window again and returns
  // the result. The system window stays until the form is destroyed.
  int ShowModal();
  int ModalResult() const noexcept { return FModalResult; }
  void SetModalResult(int AValue);
  // The control that gets the focus when the form opens.
  TControl* ActiveControl = nullptr;

  // Client size in 96-DPI pixels.
  void SetClientSize(int AWidth, int AHeight);

 protected:
  TCreateParams CreateParams() const override;
  void HandleCreated() override;
  LRESULT WndProc(UINT AMsg, WPARAM AWParam, LPARAM ALParam) override;

 private:
  bool PreprocessMessage(MSG& AMsg);
  TControl* FindAccel(TControl& AParent, wchar_t AChar);
  void CentreOnScreen();

  TFormArgs FArgs;
  int FModalResult = mrNone;
  bool FInModalLoop = false;
};

}  // namespace mvn
