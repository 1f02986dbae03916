#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/uExcept.h"
#include "base/uUnicode.h"
#include "store/uUtils.h"
#include "support/DialogDriver.h"
#include "support/TestSupport.h"
#include "ui/frmDialogs.h"
#include "ui/uWinApp.h"
#include "ui/wnd/uClipboard.h"
#include "ui/wnd/uWnd.h"
#include "ui/wnd/uWndControls.h"

namespace mvn {
namespace {

using test::TDialogDriver;

// The expected text in the language this run was started with.
std::string L(const char* AEn, const char* AZh) { return test::WindowsIsChinese() ? AZh : AEn; }

class Ui : public ::testing::Test {
 protected:
  void SetUp() override { InitWindowLayer(); }
};

// Client rectangle of a child, in the coordinates of the window's client area.
RECT ChildRectIn(HWND AChild, HWND AWnd) {
  RECT R;
  GetWindowRect(AChild, &R);
  MapWindowPoints(nullptr, AWnd, reinterpret_cast<POINT*>(&R), 2);
  return R;
}

HWND ChildByText(TDialogDriver& D, HWND AWnd, const std::string& AText) {
  for (auto& C : D.Children(AWnd))
    if (C.Text == AText) return C.Handle;
  return nullptr;
}

// --- Geometry ------------------------------------------------------------------

TEST(Dpi, ScalesLengthsGivenAt96Dpi) {
  struct {
    int Value, Dpi, Expected;
  } Cases[] = {{100, 96, 100}, {100, 144, 150}, {46, 120, 58}, {30, 120, 38},
               {8, 168, 14},   {0, 192, 0},     {-8, 144, -12}, {400, 192, 800}};
  for (auto& C : Cases) EXPECT_EQ(DpiScale(C.Value, C.Dpi), C.Expected) << C.Value << " at " << C.Dpi;
}

// --- The dialogs -----------------------------------------------------------------

// Every way of closing each variant, and what the caller gets.
TEST_F(Ui, EachAnswerGivesItsResult) {
  enum TVariant { Confirm, Info, Error };
  enum TAction { ClickFirst, ClickSecond, Esc, AltFirst, AltSecond, TitleBarClose, Enter };
  struct {
    TVariant Variant;
    TAction Action;
    int Expected;
  } Cases[] = {
      {Confirm, ClickFirst, 6},  {Confirm, ClickSecond, 7}, {Confirm, Esc, 2},   {Confirm, AltFirst, 6},
      {Confirm, AltSecond, 7},   {Confirm, TitleBarClose, 2}, {Confirm, Enter, 6}, {Info, ClickFirst, 1},
      {Info, Esc, 2},            {Info, Enter, 1},           {Error, ClickFirst, 1}, {Error, Esc, 1},
  };
  for (auto& C : Cases) {
    SCOPED_TRACE(testing::Message() << "variant " << C.Variant << " action " << C.Action);
    const std::string First = C.Variant == Confirm ? L("Yes (&Y)", "是(&Y)") : L("OK (&O)", "确定(&O)");
    const std::string Second = L("No (&N)", "否(&N)");
    std::atomic<bool> StillOpenAfterAnswer{false};
    TDialogDriver Driver([&](TDialogDriver& D) {
      HWND W = D.WaitFor("Answer me");
      if (!W) return;
      switch (C.Action) {
        case ClickFirst: D.Click(W, First); break;
        case ClickSecond: D.Click(W, Second); break;
        case Esc: D.PressKey(W, VK_ESCAPE); break;
        case AltFirst: D.PressAlt(W, C.Variant == Confirm ? 'Y' : 'O'); break;
        case AltSecond: D.PressAlt(W, 'N'); break;
        case TitleBarClose: D.Close(W); break;
        case Enter: D.PressKey(W, VK_RETURN); break;
      }
      StillOpenAfterAnswer = !D.WaitGone(W);
    });
    const int Result = C.Variant == Error ? ShowErrorDialog("Answer me", "Something failed")
                                          : ShowPromptDialog("Answer me", "Go on?", C.Variant == Confirm);
    EXPECT_EQ(Driver.Finish(), "");
    EXPECT_EQ(Result, C.Expected);
    EXPECT_FALSE(StillOpenAfterAnswer);
  }
}

TEST_F(Ui, PromptShowsItsTextAndButtonsInTheLanguage) {
  struct {
    bool Confirm;
    std::vector<std::string> Buttons;
  } Cases[] = {
      {true, {L("Yes (&Y)", "是(&Y)"), L("No (&N)", "否(&N)")}},
      {false, {L("OK (&O)", "确定(&O)")}},
  };
  for (auto& C : Cases) {
    // "&" in a message is text, not an access key.
    const std::string Message = "Replace 3 cells in A1:B2 & C4?\r\n第二行";
    std::vector<std::string> Buttons;
    std::string Label, Title;
    TDialogDriver Driver([&](TDialogDriver& D) {
      HWND W = D.WaitFor("提示 & Prompt");
      if (!W) return;
      Title = D.Title(W);
      for (auto& Child : D.Children(W)) {
        if (Child.ClassName == "Button") Buttons.push_back(Child.Text);
        if (Child.ClassName.find(".Label.") != std::string::npos) Label = Child.Text;
      }
      D.PressKey(W, VK_ESCAPE);
    });
    EXPECT_EQ(ShowPromptDialog("提示 & Prompt", Message, C.Confirm), 2);
    EXPECT_EQ(Driver.Finish(), "");
    EXPECT_EQ(Buttons, C.Buttons);
    EXPECT_EQ(Label, Message);
  }
}

// Sizes at 96 DPI scaled to the screen: 400 x 150 or 300 client, a 46-pixel
// button panel at the bottom, 100 x 30 buttons 8 pixels in from the right,
// the second 8 pixels left of the first; fixed border, no task-bar button.
TEST_F(Ui, LayoutFollowsTheFixedGeometry) {
  for (bool Error : {false, true}) {
    SCOPED_TRACE(Error ? "error" : "prompt");
    const std::string Caption = Error ? "Geometry error" : "Geometry prompt";
    // A long text: the prompt wraps it inside the fixed size, the error
    // dialog scrolls sideways.
    std::string Message;
    for (int I = 0; I < 40; ++I) Message += "A rather long sentence that goes on. ";
    RECT Client{}, First{}, Second{}, Body{}, Win{};
    LONG Style = 0, ExStyle = 0, BodyStyle = 0;
    HWND Owner = nullptr;
    bool OwnerVisible = true;
    TDialogDriver Driver([&](TDialogDriver& D) {
      HWND W = D.WaitFor(Caption);
      if (!W) return;
      GetClientRect(W, &Client);
      GetWindowRect(W, &Win);
      Style = GetWindowLongW(W, GWL_STYLE);
      ExStyle = GetWindowLongW(W, GWL_EXSTYLE);
      Owner = GetWindow(W, GW_OWNER);
      OwnerVisible = Owner && IsWindowVisible(Owner);
      First = ChildRectIn(ChildByText(D, W, Error ? L("OK (&O)", "确定(&O)") : L("Yes (&Y)", "是(&Y)")), W);
      Second = ChildRectIn(ChildByText(D, W, Error ? L("Copy (&C)", "复制(&C)") : L("No (&N)", "否(&N)")), W);
      for (auto& C : D.Children(W))
        if (C.Text == Message || C.ClassName == "Edit") {
          Body = ChildRectIn(C.Handle, W);
          BodyStyle = GetWindowLongW(C.Handle, GWL_STYLE);
        }
      D.PressKey(W, VK_ESCAPE);
    });
    if (Error)
      ShowErrorDialog(Caption, Message);
    else
      ShowPromptDialog(Caption, Message, true);
    ASSERT_EQ(Driver.Finish(), "");

    auto S = [](int V) { return DpiScale(V); };
    EXPECT_EQ(Client.right, S(400));
    EXPECT_EQ(Client.bottom, S(Error ? 300 : 150));
    const int PanelTop = Client.bottom - S(46);
    EXPECT_EQ(First.right, Client.right - S(8));
    EXPECT_EQ(First.top, PanelTop + S(8));
    EXPECT_EQ(First.right - First.left, S(100));
    EXPECT_EQ(First.bottom - First.top, S(30));
    EXPECT_EQ(Second.right, First.left - S(8));
    EXPECT_EQ(Second.top, First.top);
    if (Error) {
      EXPECT_EQ(Body.left, S(8));
      EXPECT_EQ(Body.top, S(8));
      EXPECT_EQ(Body.right, Client.right - S(8));
      EXPECT_EQ(Body.bottom, PanelTop - S(8));
      EXPECT_TRUE(BodyStyle & ES_READONLY);
      EXPECT_TRUE(BodyStyle & ES_AUTOHSCROLL) << "no word wrap";
      EXPECT_TRUE((BodyStyle & WS_HSCROLL) && (BodyStyle & WS_VSCROLL));
    } else {
      EXPECT_EQ(Body.left, S(16));
      EXPECT_EQ(Body.top, S(16));
      EXPECT_EQ(Body.right, Client.right - S(16));
      EXPECT_EQ(Body.bottom, PanelTop - S(8));
    }
    EXPECT_FALSE(Style & WS_THICKFRAME);
    EXPECT_FALSE(ExStyle & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW));
    EXPECT_TRUE(Owner != nullptr && !OwnerVisible) << "owned by a hidden window: no task-bar button";
    const int ScreenW = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_NEAR((Win.left + Win.right) / 2, ScreenW / 2, 2);
  }
}

TEST_F(Ui, EmptyMessageKeepsTheButtons) {
  std::vector<std::string> Buttons;
  TDialogDriver Driver([&](TDialogDriver& D) {
    HWND W = D.WaitFor("Empty");
    if (!W) return;
    for (auto& C : D.Children(W))
      if (C.ClassName == "Button" && IsWindowVisible(C.Handle)) Buttons.push_back(C.Text);
    D.Click(W, L("OK (&O)", "确定(&O)"));
  });
  EXPECT_EQ(ShowErrorDialog("Empty", ""), 1);
  EXPECT_EQ(Driver.Finish(), "");
  EXPECT_EQ(Buttons.size(), 2u);
}

// Copy puts the whole text, every line, on the clipboard and leaves the
// window open; a second click copies it again.
TEST_F(Ui, CopyPutsTheWholeMessageOnTheClipboard) {
  const std::string Message = "第一行 line one\r\n\tline two with a tab\r\n" + std::string(300, 'x') + "\r\nlast";
  std::string Shown, FirstCopy, SecondCopy;
  bool OpenAfterCopy = false;
  TDialogDriver Driver([&](TDialogDriver& D) {
    HWND W = D.WaitFor("Copy me");
    if (!W) return;
    Shown = D.TextOf(W, "Edit");
    auto CopyAndRead = [&] {
      SetClipboardText("something else");
      D.Click(W, L("Copy (&C)", "复制(&C)"));
      for (int I = 0; I < 250 && ClipboardText() != Message; ++I) Sleep(20);
      return ClipboardText();
    };
    FirstCopy = CopyAndRead();
    SecondCopy = CopyAndRead();
    OpenAfterCopy = IsWindowVisible(W);
    D.Click(W, L("OK (&O)", "确定(&O)"));
  });
  EXPECT_EQ(ShowErrorDialog("Copy me", Message), 1);
  EXPECT_EQ(Driver.Finish(), "");
  EXPECT_EQ(Shown, Message);
  EXPECT_EQ(FirstCopy, Message);
  EXPECT_EQ(SecondCopy, Message);
  EXPECT_TRUE(OpenAfterCopy);
}

TEST_F(Ui, LoneLineFeedsBecomeLineBreaksInTheErrorText) {
  std::string Shown;
  TDialogDriver Driver([&](TDialogDriver& D) {
    if (HWND W = D.WaitFor("Lines")) {
      Shown = D.TextOf(W, "Edit");
      D.PressKey(W, VK_ESCAPE);
    }
  });
  ShowErrorDialog("Lines", "one\ntwo\r\nthree\n");
  EXPECT_EQ(Driver.Finish(), "");
  EXPECT_EQ(Shown, "one\r\ntwo\r\nthree\r\n");
}

// --- Exception hook ------------------------------------------------------------

TEST(ExceptionText, JoinsTheLinesExactly) {
  EXPECT_EQ(ExceptionReportText(nullptr, "EReplaceError", "Bad column"),
            L("Unhandled exception:\r\n\r\nType:EReplaceError\r\nMessage:Bad column",
              "发生未处理的异常：\r\n\r\n类型：EReplaceError\r\n消息：Bad column"));
  EXPECT_EQ(ExceptionReportText("TButton", "Exception", "boom"),
            L("Unhandled exception:\r\n\r\nType:Exception\r\nMessage:boom\r\nSource: TButton",
              "发生未处理的异常：\r\n\r\n类型：Exception\r\n消息：boom\r\n来源：TButton"));
}

// A click handler that throws: the error dialog appears on top of the form
// (which is disabled meanwhile), names the button, and the form carries on.
TEST_F(Ui, ExceptionFromAClickHandlerReachesTheErrorDialog) {
  TForm Form(TFormArgs{.Caption = "Host form", .Width = 300, .Height = 120, .KeyPreview = false});
  Form.Add<TButton>(TButtonArgs{.Caption = "&Throw",
                                .Place = {.Left = 8, .Top = 8, .Width = 100, .Height = 30},
                                .OnClick = [](TButton&) { throw Exception("boom in handler"); }});
  Form.Add<TButton>(TButtonArgs{.Caption = "&Fine", .Place = {.Left = 120, .Top = 8, .Width = 100, .Height = 30},
                                .ModalResult = mrOk});
  std::string Report;
  bool HostEnabledMeanwhile = true, HostEnabledAfter = false;
  TDialogDriver Driver([&](TDialogDriver& D) {
    HWND Host = D.WaitFor("Host form");
    if (!Host) return;
    D.Click(Host, "Throw");
    HWND Err = D.WaitFor(L("Morvane Error", "Morvane 异常"));
    if (!Err) return;
    Report = D.TextOf(Err, "Edit");
    HostEnabledMeanwhile = IsWindowEnabled(Host);
    D.Click(Err, L("OK (&O)", "确定(&O)"));
    D.WaitGone(Err);
    HostEnabledAfter = IsWindowEnabled(Host);
    D.PressAlt(Host, 'F');
  });
  EXPECT_EQ(Form.ShowModal(), mrOk);
  EXPECT_EQ(Driver.Finish(), "");
  EXPECT_EQ(Report, ExceptionReportText("TButton", "Exception", "boom in handler"));
  EXPECT_EQ(Report.substr(Report.size() - std::string("TButton").size()), "TButton");
  EXPECT_FALSE(HostEnabledMeanwhile);
  EXPECT_TRUE(HostEnabledAfter);
}

struct TCaught {
  std::string Sender, ClassName, Message;
  int Count = 0;
};
TCaught GCaught;
void CatchingHook(const char* ASender, const std::string& AClassName, const std::string& AMessage) {
  GCaught = {ASender ? ASender : "(none)", AClassName, AMessage, GCaught.Count + 1};
}

class TThrowingForm : public TForm {
 public:
  using TForm::TForm;
  const char* ClassName() const noexcept override { return "TThrowingForm"; }

 protected:
  LRESULT WndProc(UINT AMsg, WPARAM AWParam, LPARAM ALParam) override {
    if (AMsg == WM_APP + 1) throw std::runtime_error("thrown in the window procedure");
    if (AMsg == WM_APP + 2) throw 42;
    return TForm::WndProc(AMsg, AWParam, ALParam);
  }
};

TEST_F(Ui, WindowProcedureThatThrowsReachesTheHook) {
  const TExceptionHook Saved = Application().OnException;
  Application().OnException = &CatchingHook;
  GCaught = {};
  TThrowingForm Form(TFormArgs{.Caption = "Thrower"});
  TDialogDriver Driver([&](TDialogDriver& D) {
    HWND W = D.WaitFor("Thrower");
    if (!W) return;
    SendMessageW(W, WM_APP + 1, 0, 0);  // served by the modal loop
    PostMessageW(W, WM_APP + 2, 0, 0);
    D.Close(W);
  });
  EXPECT_EQ(Form.ShowModal(), mrCancel);
  Application().OnException = Saved;
  EXPECT_EQ(Driver.Finish(), "");
  EXPECT_EQ(GCaught.Count, 2);
  EXPECT_EQ(GCaught.Sender, "TThrowingForm");
  EXPECT_EQ(GCaught.ClassName, "Exception");
  EXPECT_EQ(GCaught.Message, "Unknown error");
}

// --- Hand-off from a worker ------------------------------------------------------

TEST_F(Ui, SynchronizeRunsOnTheWindowThreadDuringAModalLoop) {
  const DWORD UiThread = GetCurrentThreadId();
  DWORD RanOn = 0;
  std::string Rethrown;
  TDialogDriver Driver([&](TDialogDriver& D) {
    HWND W = D.WaitFor("Waiting");
    if (!W) return;
    Synchronize([&] { RanOn = GetCurrentThreadId(); });
    try {
      Synchronize([] { throw Exception("from the handler"); });
    } catch (const Exception& E) {
      Rethrown = E.Message();
    }
    D.Click(W, L("OK (&O)", "确定(&O)"));
  });
  EXPECT_EQ(ShowPromptDialog("Waiting", "…", false), 1);
  EXPECT_EQ(Driver.Finish(), "");
  EXPECT_EQ(RanOn, UiThread);
  EXPECT_EQ(Rethrown, "from the handler");
}

// --- Icons ---------------------------------------------------------------------

// A two-image icon file (16 and 32 pixels, 24 bits), like the add-in's.
std::string IconFileBytes() {
  std::string Out;
  auto Put16 = [&](unsigned V) { Out += char(V & 0xFF), Out += char(V >> 8); };
  auto Put32 = [&](unsigned V) { Put16(V & 0xFFFF), Put16(V >> 16); };
  auto ImageSize = [](int N) { return 40 + N * ((N * 3 + 3) & ~3) + N * 4; };
  Put16(0), Put16(1), Put16(2);
  unsigned Offset = 6 + 2 * 16;
  for (int N : {16, 32}) {
    Out += char(N), Out += char(N), Out += char(0), Out += char(0);
    Put16(1), Put16(24), Put32(ImageSize(N)), Put32(Offset);
    Offset += ImageSize(N);
  }
  for (int N : {16, 32}) {
    Put32(40), Put32(N), Put32(2 * N), Put16(1), Put16(24), Put32(0), Put32(0), Put32(0), Put32(0), Put32(0), Put32(0);
    for (int Y = 0; Y < N; ++Y) {
      for (int X = 0; X < N; ++X) Out += char(0x20), Out += char(0x80), Out += char(0xE0);
      Out.append(((N * 3 + 3) & ~3) - N * 3, '\0');
    }
    Out.append(N * 4, '\0');
  }
  return Out;
}

TEST_F(Ui, IconReachesWindowsNowOrAtFirstShow) {
  // The test program has no icon resource: the fallback file is used.
  const std::string IcoPath = ModuleDir() + "app.ico";
  test::WriteWholeFile(IcoPath, IconFileBytes());
  LoadAppIcon();
  DeleteFileW(Utf8ToWide(IcoPath).c_str());
  ASSERT_NE(AppIconHandle(), nullptr);
  ASSERT_NE(AppIconSmall(), nullptr);
  EXPECT_EQ(Application().Icon, AppIconHandle());

  auto IconOf = [](HWND W, WPARAM AKind) { return reinterpret_cast<void*>(SendMessageW(W, WM_GETICON, AKind, 0)); };

  // Window already there: both sizes at once.
  TForm Now(TFormArgs{.Caption = "Icon now"});
  Now.HandleNeeded();
  LoadFormIcon(Now);
  EXPECT_EQ(IconOf(Now.Handle(), ICON_BIG), AppIconHandle());
  EXPECT_EQ(IconOf(Now.Handle(), ICON_SMALL), AppIconSmall());

  // Window not there yet: at the showing, before the form's own show handler.
  TForm Later(TFormArgs{.Caption = "Icon later"});
  std::vector<std::string> Order;
  void* SmallAtShow = nullptr;
  Later.OnShow = [&](TForm& F) {
    Order.push_back("own handler");
    SmallAtShow = IconOf(F.Handle(), ICON_SMALL);
  };
  LoadFormIcon(Later);
  EXPECT_FALSE(Later.HandleAllocated());
  for (int Showing = 0; Showing < 2; ++Showing) {
    TDialogDriver Driver([](TDialogDriver& D) {
      if (HWND W = D.WaitFor("Icon later")) D.Close(W);
    });
    Later.ShowModal();
    EXPECT_EQ(Driver.Finish(), "");
  }
  EXPECT_EQ(Order, (std::vector<std::string>{"own handler", "own handler"}));
  EXPECT_EQ(SmallAtShow, AppIconSmall());
}

// --- The driver itself ------------------------------------------------------------

// A window other than the awaited one, or one the script leaves open, is
// reported and closed, so that a broken test fails instead of hanging.
TEST_F(Ui, DriverReportsAndClosesWindowsItDidNotExpect) {
  {
    TDialogDriver Driver([](TDialogDriver& D) { D.WaitFor("Expected title"); }, 1500);
    EXPECT_EQ(ShowPromptDialog("Other title", "x", true), 2);
    const std::string Failures = Driver.Finish();
    EXPECT_NE(Failures.find("unexpected window \"Other title\""), std::string::npos) << Failures;
    EXPECT_NE(Failures.find("\"Expected title\" did not appear"), std::string::npos) << Failures;
  }
  {
    TDialogDriver Driver([](TDialogDriver& D) { D.WaitFor("Ignored"); });
    EXPECT_EQ(ShowPromptDialog("Ignored", "x", false), 2);
    EXPECT_EQ(Driver.Finish(), "window \"Ignored\" left open\n");
  }
}

// What the add-in does at unload and at a later connection in the same
// process.
TEST_F(Ui, LayerCanBeShutDownAndSetUpAgain) {
  ShutdownWindowLayer();
  InitWindowLayer();
  TDialogDriver Driver([](TDialogDriver& D) {
    if (HWND W = D.WaitFor("Again")) D.PressAlt(W, 'N');
  });
  EXPECT_EQ(ShowPromptDialog("Again", "x", true), 7);
  EXPECT_EQ(Driver.Finish(), "");
}

}  // namespace
}  // namespace mvn
