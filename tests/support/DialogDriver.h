// Answers the windows that a test opens, from a second thread, so that a
// modal call on the test's own thread can return.
//
//   TDialogDriver Driver([](TDialogDriver& D) {
//     if (HWND W = D.WaitFor("Title")) D.Click(W, "OK (&O)");
//   });
//   const int R = ShowSomething();   // modal; returns once the driver answered
//   EXPECT_EQ(Driver.Finish(), "");  // empty when everything went as scripted
//
// The script runs on the driver's thread: collect what it reads into
// variables and check them on the test's thread after Finish. Windows that
// the script did not expect, or left open, are closed (WM_CLOSE) and reported,
// so a broken test fails instead of hanging.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace mvn::test {

class TDialogDriver {
 public:
  using TScript = std::function<void(TDialogDriver& ADriver)>;

  // Starts the script at once. ATimeoutMs bounds every wait.
  explicit TDialogDriver(TScript AScript, int ATimeoutMs = 10000);
  ~TDialogDriver();
  TDialogDriver(const TDialogDriver&) = delete;
  TDialogDriver& operator=(const TDialogDriver&) = delete;

  // --- for the script ---

  // The visible top-level window of this process titled ATitle (UTF-8).
  // nullptr, with a failure recorded, when none appears within the timeout;
  // any other new window that shows up meanwhile is a failure and is closed.
  HWND WaitFor(const std::string& ATitle);
  // Waits until AWnd is hidden or destroyed; false (a failure) on timeout.
  bool WaitGone(HWND AWnd);

  struct TChild {
    HWND Handle;
    std::string ClassName;  // the system class, e.g. "Button", "Edit"
    std::string Text;
  };
  // Every descendant control, in creation order.
  std::vector<TChild> Children(HWND AWnd);
  // The text of the first descendant of the class (compared without case);
  // empty when there is none.
  std::string TextOf(HWND AWnd, const std::string& AClassName);
  // The caption of a window.
  std::string Title(HWND AWnd);

  // Posts BM_CLICK to the button captioned ACaption (compared as given, or
  // with its "&" marks removed). False (a failure) when there is no such
  // button.
  bool Click(HWND AWnd, const std::string& ACaption);
  // Posts a key press (down and up) to the control that has the focus in
  // AWnd's thread, or to AWnd.
  void PressKey(HWND AWnd, WORD AVirtualKey);
  // Alt + a letter or digit, as a system key press.
  void PressAlt(HWND AWnd, char ALetter);
  // Asks the window to close, as its title-bar button does.
  void Close(HWND AWnd);

  void Fail(const std::string& AWhy);

  // --- for the test's thread ---

  // Ends the driver (closing and reporting windows left open) and returns the
  // failures, one per line; empty when there were none. Call after the modal
  // call returned.
  std::string Finish();

 private:
  void Run(TScript AScript);
  std::vector<HWND> VisibleWindows() const;
  void CloseStrangers(const std::string& AWanted);

  int FTimeoutMs;
  std::set<HWND> FPreexisting;  // visible when the driver started: not ours
  std::set<HWND> FKnown;        // found by WaitFor or already reported
  std::mutex FLock;
  std::vector<std::string> FFailures;
  std::atomic<bool> FStop{false};
  std::thread FThread;
  bool FFinished = false;
};

}  // namespace mvn::test
