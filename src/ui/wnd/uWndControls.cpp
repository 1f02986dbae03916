#include "ui/wnd/uWndControls.h"

#include "base/uUnicode.h"

namespace mvn {

// --- TPanel --------------------------------------------------------------------

TControl::TCreateParams TPanel::CreateParams() const {
  TCreateParams P;
  P.ClassName = WndClassName(wcPanel);
  P.OwnClass = true;
  P.Style = WS_CLIPCHILDREN;
  P.ExStyle = WS_EX_CONTROLPARENT;  // tabbing goes into the panel
  return P;
}

// --- TLabel --------------------------------------------------------------------

TLabel::TLabel(const TLabelArgs& AArgs) : TControl(AArgs.Caption, AArgs.Place), FArgs(AArgs) {}

TControl::TCreateParams TLabel::CreateParams() const {
  TCreateParams P;
  P.ClassName = WndClassName(wcLabel);
  P.OwnClass = true;
  return P;
}

void TLabel::Paint(HDC ADC) {
  RECT R;
  GetClientRect(FHandle, &R);
  FillRect(ADC, &R, GetSysColorBrush(COLOR_BTNFACE));
  const std::wstring Caption = Utf8ToWide(Text());
  HGDIOBJ OldFont = SelectObject(ADC, Font());
  SetBkMode(ADC, TRANSPARENT);
  SetTextColor(ADC, GetSysColor(IsWindowEnabled(FHandle) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  UINT Flags = DT_EXPANDTABS | (FArgs.WordWrap ? DT_WORDBREAK | DT_EDITCONTROL : 0) |
               (FArgs.ShowAccelChar ? 0 : DT_NOPREFIX) |
               (FArgs.Alignment == taCenter ? DT_CENTER : FArgs.Alignment == taRightJustify ? DT_RIGHT : DT_LEFT);
  if (FArgs.Layout != tlTop) {
    RECT Calc = R;
    DrawTextW(ADC, Caption.c_str(), static_cast<int>(Caption.size()), &Calc, Flags | DT_CALCRECT);
    const int Spare = (R.bottom - R.top) - (Calc.bottom - Calc.top);
    // Text taller than the label starts at the top and is cut at the bottom.
    if (Spare > 0) R.top += FArgs.Layout == tlCenter ? Spare / 2 : Spare;
  }
  DrawTextW(ADC, Caption.c_str(), static_cast<int>(Caption.size()), &R, Flags);
  SelectObject(ADC, OldFont);
}

LRESULT TLabel::WndProc(UINT AMsg, WPARAM AWParam, LPARAM ALParam) {
  switch (AMsg) {
    case WM_PAINT: {
      PAINTSTRUCT PS;
      HDC DC = BeginPaint(FHandle, &PS);
      Paint(DC);
      EndPaint(FHandle, &PS);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETTEXT:
    case WM_ENABLE: {
      const LRESULT R = DefWindowProcW(FHandle, AMsg, AWParam, ALParam);
      InvalidateRect(FHandle, nullptr, TRUE);
      return R;
    }
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    default:
      return TControl::WndProc(AMsg, AWParam, ALParam);
  }
}

// --- TButton -------------------------------------------------------------------

TButton::TButton(TButtonArgs AArgs)
    : TControl(std::move(AArgs.Caption), AArgs.Place), OnClick(std::move(AArgs.OnClick)), ModalResult(AArgs.ModalResult) {}

TControl::TCreateParams TButton::CreateParams() const {
  TCreateParams P;
  P.ClassName = L"Button";
  P.Style = BS_PUSHBUTTON | WS_TABSTOP;
  return P;
}

void TButton::Command(WORD ANotifyCode) {
  if (ANotifyCode == BN_CLICKED) Click();
}

bool TButton::Click() {
  if (ModalResult != mrNone)
    if (TForm* F = Form()) F->SetModalResult(ModalResult);
  if (OnClick) OnClick(*this);
  return true;
}

// --- TCheckBox -----------------------------------------------------------------

TCheckBox::TCheckBox(TCheckBoxArgs AArgs)
    : TControl(std::move(AArgs.Caption), AArgs.Place), OnClick(std::move(AArgs.OnClick)), FChecked(AArgs.Checked) {}

TControl::TCreateParams TCheckBox::CreateParams() const {
  TCreateParams P;
  P.ClassName = L"Button";
  P.Style = BS_AUTOCHECKBOX | WS_TABSTOP;
  return P;
}

void TCheckBox::HandleCreated() { Perform(BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED); }

bool TCheckBox::Checked() const {
  return FHandle ? Perform(BM_GETCHECK) == BST_CHECKED : FChecked;
}

void TCheckBox::SetChecked(bool AValue) {
  FChecked = AValue;
  Perform(BM_SETCHECK, AValue ? BST_CHECKED : BST_UNCHECKED);
}

void TCheckBox::Command(WORD ANotifyCode) {
  if (ANotifyCode != BN_CLICKED) return;
  FChecked = Checked();
  if (OnClick) OnClick(*this);
}

bool TCheckBox::Click() {
  SetChecked(!Checked());
  SetFocus();
  if (OnClick) OnClick(*this);
  return true;
}

// --- TEdit ---------------------------------------------------------------------

TEdit::TEdit(TEditArgs AArgs)
    : TControl(std::move(AArgs.Text), AArgs.Place), OnChange(std::move(AArgs.OnChange)), FReadOnly(AArgs.ReadOnly) {}

TControl::TCreateParams TEdit::CreateParams() const {
  TCreateParams P;
  P.ClassName = L"Edit";
  P.Style = ES_AUTOHSCROLL | WS_TABSTOP | (FReadOnly ? ES_READONLY : 0);
  P.ExStyle = WS_EX_CLIENTEDGE;
  return P;
}

void TEdit::Command(WORD ANotifyCode) {
  if (ANotifyCode == EN_CHANGE && OnChange) OnChange(*this);
}

// --- TMemo ---------------------------------------------------------------------

TMemo::TMemo(const TMemoArgs& AArgs) : TControl(AArgs.Text, AArgs.Place), FArgs(AArgs) {
  if (FArgs.FontName) {
    FOwnFont = CreatePointFont(FArgs.FontName, FArgs.FontSize);
    if (FOwnFont.Get()) ApplyFont(FOwnFont.Font());
  }
}

TControl::TCreateParams TMemo::CreateParams() const {
  TCreateParams P;
  P.ClassName = L"Edit";
  P.Style = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP | (FArgs.ReadOnly ? ES_READONLY : 0) |
            (FArgs.WordWrap ? 0 : ES_AUTOHSCROLL) |
            (FArgs.ScrollBars == ssVertical || FArgs.ScrollBars == ssBoth ? WS_VSCROLL : 0) |
            (FArgs.ScrollBars == ssHorizontal || FArgs.ScrollBars == ssBoth ? WS_HSCROLL : 0);
  P.ExStyle = WS_EX_CLIENTEDGE;
  return P;
}

std::string TMemo::PrepareText(const std::string& AText) const {
  std::string R;
  R.reserve(AText.size() + AText.size() / 16);
  for (size_t I = 0; I < AText.size(); ++I) {
    if (AText[I] == '\n' && (I == 0 || AText[I - 1] != '\r')) R += '\r';
    R += AText[I];
  }
  return R;
}

}  // namespace mvn
