// The controls that windows are built from. Each takes an args record whose
// defaults fit the common case; callbacks are members set in the record or
// later.
#pragma once
#include <functional>
#include <string>

#include "ui/wnd/uWnd.h"

namespace mvn {

// A plain container, aligned to an edge or filling; no bevel.
struct TPanelArgs {
  TPlace Place{};
};

class TPanel : public TControl {
 public:
  explicit TPanel(const TPanelArgs& AArgs = {}) : TControl({}, AArgs.Place) {}
  const char* ClassName() const noexcept override { return "TPanel"; }

 protected:
  TCreateParams CreateParams() const override;
};

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum THAlign { taLeftJustify, taCenter, taRightJustify };

struct TLabelArgs {
  std::string Caption{};
  TPlace Place{};
  bool WordWrap = false;
  bool ShowAccelChar = true;  // "&" marks an access key; off for texts shown as they are
  TTextLayout Layout = tlTop;
  THAlign Alignment = taLeftJustify;
};

// Static text drawn by the layer itself, so that it can wrap and centre
// vertically.
class TLabel : public TControl {
 public:
  explicit TLabel(const TLabelArgs& AArgs);
  const char* ClassName() const noexcept override { return "TLabel"; }

 protected:
  TCreateParams CreateParams() const override;
  LRESULT WndProc(UINT AMsg, WPARAM AWParam, LPARAM ALParam) override;

 private:
  void Paint(HDC ADC);
  TLabelArgs FArgs;
};

class TButton;

struct TButtonArgs {
  std::string Caption{};
  TPlace Place{};
  int ModalResult = mrNone;  // set on the form when clicked
  std::function<void(TButton& ASender)> OnClick = nullptr;
};

class TButton : public TControl {
 public:
  explicit TButton(TButtonArgs AArgs);
  const char* ClassName() const noexcept override { return "TButton"; }
  std::function<void(TButton& ASender)> OnClick = nullptr;
  int ModalResult;
  bool Click() override;

 protected:
  TCreateParams CreateParams() const override;
  void Command(WORD ANotifyCode) override;
};

class TCheckBox;

struct TCheckBoxArgs {
  std::string Caption{};
  TPlace Place{};
  bool Checked = false;
  std::function<void(TCheckBox& ASender)> OnClick = nullptr;
};

class TCheckBox : public TControl {
 public:
  explicit TCheckBox(TCheckBoxArgs AArgs);
  const char* ClassName() const noexcept override { return "TCheckBox"; }
  std::function<void(TCheckBox& ASender)> OnClick = nullptr;
  bool Checked() const;
  void SetChecked(bool AValue);
  bool Click() override;

 protected:
  TCreateParams CreateParams() const override;
  void HandleCreated() override;
  void Command(WORD ANotifyCode) override;

 private:
  bool FChecked;
};

class TEdit;

struct TEditArgs {
  std::string Text{};
  TPlace Place{};
  bool ReadOnly = false;
  std::function<void(TEdit& ASender)> OnChange = nullptr;
};

// A single-line text box.
class TEdit : public TControl {
 public:
  explicit TEdit(TEditArgs AArgs);
  const char* ClassName() const noexcept override { return "TEdit"; }
  std::function<void(TEdit& ASender)> OnChange = nullptr;

 protected:
  TCreateParams CreateParams() const override;
  void Command(WORD ANotifyCode) override;

 private:
  bool FReadOnly;
};

enum TScrollBars { ssNone, ssVertical, ssHorizontal, ssBoth };

struct TMemoArgs {
  std::string Text{};
  TPlace Place{};
  bool ReadOnly = false;
  bool WordWrap = true;
  TScrollBars ScrollBars = ssNone;
  const wchar_t* FontName = nullptr;  // nullptr: the message font
  int FontSize = 9;                   // points, with FontName
};

// A multi-line text box. Its text holds CR LF line breaks; a lone LF given to
// it becomes CR LF, since the system control shows nothing for it.
class TMemo : public TControl {
 public:
  explicit TMemo(const TMemoArgs& AArgs);
  const char* ClassName() const noexcept override { return "TMemo"; }

 protected:
  TCreateParams CreateParams() const override;
  std::string PrepareText(const std::string& AText) const override;

 private:
  TMemoArgs FArgs;
  TGdiObject FOwnFont;
};

}  // namespace mvn
