// The message and prompt dialogs: the only way the add-in shows a message, an
// error or a yes/no question.
#pragma once
#include <string>

#include "ui/wnd/uWnd.h"

namespace mvn {

class TMemo;

// An error text the user may copy, with OK and Copy. Returns 1 (OK) however
// the window was closed.
int ShowErrorDialog(const std::string& ACaption, const std::string& AMessage);
// A short message: with AConfirm a question with Yes (6) and No (7), else one
// OK button (1). Esc and the title-bar close give Cancel (2); callers that ask
// go on only on 6.
int ShowPromptDialog(const std::string& ACaption, const std::string& AMessage, bool AConfirm);

class TDialogForm : public TForm {
 public:
  TDialogForm();
  const char* ClassName() const noexcept override { return "TDialogForm"; }
  void Build(const std::string& ACaption, const std::string& AMessage, bool AConfirm, bool AError);

 private:
  void CopyBtnClick();
  void FormKeyPress(wchar_t& AKey);
  TMemo* FErrorMemo = nullptr;
};

}  // namespace mvn
