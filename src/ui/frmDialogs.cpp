#include "ui/frmDialogs.h"

#include "i18n/uTranslator.h"
#include "ui/uWinApp.h"
#include "ui/wnd/uClipboard.h"
#include "ui/wnd/uWndControls.h"

namespace mvn {

namespace {

constexpr int DialogWidth = 400;
constexpr int ErrorHeight = 300;
constexpr int PromptHeight = 150;
constexpr int ButtonWidth = 100;
constexpr int ButtonHeight = 30;
constexpr int ButtonMargin = 8;

int ShowDialog(const std::string& ACaption, const std::string& AMessage, bool AConfirm, bool AError) {
  // The form's destructor destroys the window, also when showing it fails.
  TDialogForm Form;
  LoadFormIcon(Form);
  Form.Build(ACaption, AMessage, AConfirm, AError);
  return Form.ShowModal();
}

}  // namespace

TDialogForm::TDialogForm() : TForm(TFormArgs{}) {}

void TDialogForm::Build(const std::string& ACaption, const std::string& AMessage, bool AConfirm, bool AError) {
  SetText(ACaption);
  SetClientSize(DialogWidth, AError ? ErrorHeight : PromptHeight);
  KeyPreview = true;
  OnKeyPress = [this](TForm&, wchar_t& AKey) { FormKeyPress(AKey); };

  auto& Panel = Add<TPanel>(TPanelArgs{.Place = {.Align = alBottom, .Height = 2 * ButtonMargin + ButtonHeight}});

  if (AError) {
    FErrorMemo = &Add<TMemo>(TMemoArgs{.Text = AMessage,
                                       .Place = {.Align = alClient, .Left = 8, .Top = 8, .Right = 8, .Bottom = 8},
                                       .ReadOnly = true,
                                       .WordWrap = false,
                                       .ScrollBars = ssBoth,
                                       .FontName = L"Consolas",
                                       .FontSize = 9});
  } else {
    // The message is shown as it is: an "&" in it is text, not an access key.
    Add<TLabel>(TLabelArgs{.Caption = AMessage,
                           .Place = {.Align = alClient, .Left = 16, .Top = 16, .Right = 16, .Bottom = 8},
                           .WordWrap = true,
                           .ShowAccelChar = false,
                           .Layout = tlCenter});
  }

  const TPlace First{.Anchors = akTop | akRight, .Top = ButtonMargin, .Right = ButtonMargin,
                     .Width = ButtonWidth, .Height = ButtonHeight};
  TPlace Second = First;
  Second.Right = ButtonMargin + ButtonWidth + ButtonMargin;

  auto& Ok = Panel.Add<TButton>(TButtonArgs{.Caption = TLang("common.ok"), .Place = First, .ModalResult = mrOk});
  if (AConfirm) {
    Ok.SetText(TLang("common.yes"));
    Ok.ModalResult = mrYes;
    Panel.Add<TButton>(TButtonArgs{.Caption = TLang("common.no"), .Place = Second, .ModalResult = mrNo});
  } else if (AError) {
    Panel.Add<TButton>(
        TButtonArgs{.Caption = TLang("common.copy"), .Place = Second, .OnClick = [this](TButton&) { CopyBtnClick(); }});
  }
  ActiveControl = &Ok;
}

void TDialogForm::CopyBtnClick() {
  if (FErrorMemo) SetClipboardText(FErrorMemo->Text());
}

void TDialogForm::FormKeyPress(wchar_t& AKey) {
  if (AKey == 27) {
    AKey = 0;
    SetModalResult(mrCancel);
  }
}

int ShowErrorDialog(const std::string& ACaption, const std::string& AMessage) {
  ShowDialog(ACaption, AMessage, false, true);
  return mrOk;
}

int ShowPromptDialog(const std::string& ACaption, const std::string& AMessage, bool AConfirm) {
  return ShowDialog(ACaption, AMessage, AConfirm, false);
}

}  // namespace mvn
