// The Office interfaces the add-in meets, declared from their published
// IIDs and method order, and the constants of the add-in's own class.
#pragma once
#include <windows.h>
#include <oaidl.h>

namespace mvn {

// {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}
inline constexpr IID IID_IDTExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
// {000C0396-0000-0000-C000-000000000046}
inline constexpr IID IID_IRibbonExtensibility = {
    0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// How Excel talks to a COM add-in. Dual: the slots follow IDispatch's.
struct IDTExtensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, LONG ConnectMode, IDispatch* AddInInst,
                                                 SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(LONG RemoveMode, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

// How Excel 2007 and later ask for the Ribbon XML.
struct IRibbonExtensibility : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;
};

// The add-in's one creatable class.
// {EE8646B9-5DC3-4D07-86C4-B3EC5F4E8B80}
inline constexpr CLSID CLSID_MVNAddIn = {
    0xEE8646B9, 0x5DC3, 0x4D07, {0x86, 0xC4, 0xB3, 0xEC, 0x5F, 0x4E, 0x8B, 0x80}};
inline constexpr wchar_t MVN_CLASS_NAME[] = L"Morvane.Connect";
inline constexpr wchar_t MVN_CLASS_DESCRIPTION[] = L"Morvane";
inline constexpr wchar_t MVN_THREADING_MODEL[] = L"Apartment";

// Product name: the caption of connection errors and the toolbar's name.
inline constexpr char MVN_PRODUCT_NAME[] = "Morvane";

// Excel's first version with the Ribbon.
constexpr int RIBBON_MIN_VERSION = 12;

}  // namespace mvn
