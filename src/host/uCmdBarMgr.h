// The legacy toolbar on Excel versions before the Ribbon. Only its shape is
// here so far: the add-in object creates, purges and frees it where the
// connection sequence needs it, and the bar itself is built later.
#pragma once
#include <functional>
#include <string>

#include "engine/uExcelHost.h"

namespace mvn {

enum TToolbarCommand { tcBatchReplace = 0, tcSchemeManage = 1, tcSettings = 2, tcAbout = 3 };

using TButtonClickEvent = std::function<void(TToolbarCommand)>;
using TStepEvent = std::function<void(const std::string&)>;

// The command bar named "Morvane" and its four buttons.
inline constexpr char TOOLBAR_NAME[] = "Morvane";

class TCommandBarManager {
 public:
  // Keeps its own reference to Excel's Application.
  explicit TCommandBarManager(TAutoObject AExcelApp);
  // Removes the buttons and the bar it created.
  ~TCommandBarManager();
  TCommandBarManager(const TCommandBarManager&) = delete;
  TCommandBarManager& operator=(const TCommandBarManager&) = delete;

  void SetOnCommand(TButtonClickEvent AHandler) { FOnCommand = std::move(AHandler); }
  void SetOnStep(TStepEvent AHandler) { FOnStep = std::move(AHandler); }

  // Deletes every command bar named TOOLBAR_NAME left from an earlier run.
  void Purge();
  void CreateToolbar();
  int ButtonCount() const { return FButtonCount; }

 private:
  TAutoObject FExcelApp;
  TButtonClickEvent FOnCommand;
  TStepEvent FOnStep;
  int FButtonCount = 0;
};

}  // namespace mvn
