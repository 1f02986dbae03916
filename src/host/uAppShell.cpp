#include "host/uAppShell.h"

#include <cstdio>
#include <new>

#include "base/uExcept.h"
#include "base/uHandles.h"
#include "base/uUnicode.h"
#include "i18n/uTranslator.h"
#include "store/uAppGlobal.h"
#include "store/uUtils.h"
#include "ui/frmDialogs.h"
#include "ui/uWinApp.h"

namespace mvn {

namespace {

// Module-wide state, touched only on Excel's user-interface thread.
bool GToolkitInitialised = false;
std::unique_ptr<TSchemeList> GMainSchemes;
std::unique_ptr<TAppSettings> GMainSettings;
TConnectionStepHook GConnectionStepHook = nullptr;

std::string TimeStamp() {
  SYSTEMTIME T;
  GetLocalTime(&T);
  char Buffer[32];
  std::snprintf(Buffer, sizeof Buffer, "%04u-%02u-%02u %02u:%02u:%02u.%03u", T.wYear, T.wMonth, T.wDay, T.wHour,
                T.wMinute, T.wSecond, T.wMilliseconds);
  return Buffer;
}

// Writes ALine at the end of APath, starting the file afresh once it has
// grown beyond the limit. One WriteFile per line: a failure loses the line.
void AppendLine(const std::wstring& APath, const std::string& ALine) {
  const DWORD Share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  TFileHandle File(CreateFileW(APath.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, Share, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File.Valid()) return;
  LARGE_INTEGER Size{};
  if (GetFileSizeEx(File.Get(), &Size) && static_cast<uint64_t>(Size.QuadPart) > kTraceLogLimit) {
    File.Close();
    File = TFileHandle(
        CreateFileW(APath.c_str(), GENERIC_WRITE, Share, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File.Valid()) return;
  }
  DWORD Written = 0;
  WriteFile(File.Get(), ALine.data(), static_cast<DWORD>(ALine.size()), &Written, nullptr);
}

// "<class> <message>" and "<class>: <message>", as the trace lines want them.
std::string ErrorText(const TCaughtError& AError, const char* ASeparator) {
  return AError.ClassName + ASeparator + AError.Message;
}

bool IsRibbonRequest(REFIID AIID) {
  return IsEqualIID(AIID, IID_IRibbonExtensibility) || IsEqualIID(AIID, IID_IDispatch);
}

}  // namespace

std::string GuidText(REFGUID AGuid) {
  wchar_t Buffer[40] = {};
  StringFromGUID2(AGuid, Buffer, 40);
  return WideToUtf8(Buffer);
}

std::string HexCode(HRESULT ACode) {
  char Buffer[16];
  std::snprintf(Buffer, sizeof Buffer, "%08lX", static_cast<unsigned long>(ACode));
  return Buffer;
}

void TraceLog(const std::string& AMsg) noexcept {
  try {
    const std::string Dir = ModuleDir();
    if (Dir.empty()) return;
    AppendLine(Utf8ToWide(Dir + "trace.log"), TimeStamp() + " " + AMsg + "\r\n");
  } catch (...) {
  }
}

TSchemeList& GetSchemes() {
  if (!GMainSchemes) {
    GMainSchemes = std::make_unique<TSchemeList>(SchemesIniPath());
    GMainSchemes->Load();
  }
  return *GMainSchemes;
}

TAppSettings& GetSettings() {
  if (!GMainSettings) {
    GMainSettings = std::make_unique<TAppSettings>();
    GMainSettings->Load();
  }
  return *GMainSettings;
}

void InitializeLCL() {
  if (GToolkitInitialised) return;
  GToolkitInitialised = true;
  InitWindowLayer();
}

void ShutdownAddInModule(bool AFreeLibrary) noexcept {
  try {
    if (GMainSchemes) GMainSchemes->Save();
  } catch (...) {
  }
  GMainSchemes.reset();
  GMainSettings.reset();
  try {
    SetCustomDataDir(std::string());
    // At the end of the process the windows go with it; only an early
    // FreeLibrary needs the window classes removed.
    if (AFreeLibrary && GToolkitInitialised) ShutdownWindowLayer();
  } catch (...) {
  }
  GToolkitInitialised = false;
  FreeTranslator();
}

void SetConnectionStepHook(TConnectionStepHook AHook) noexcept { GConnectionStepHook = AHook; }

// The ribbon object arrives with the Ribbon itself; until then requests for
// it are refused.
IUnknown* CreateRibbonObj(TMVNAddIn*) { return nullptr; }

// ---------------------------------------------------------------------------
// TMVNAddIn

TMVNAddIn* TMVNAddIn::Create() { return new TMVNAddIn(); }

TMVNAddIn::~TMVNAddIn() {
  try {
    TraceLog("AddIn.Destroy begin");
    UnregisterGlobalHotkey();
    if (FToolbar) {
      TraceLog("  step(d): free toolbar begin");
      FToolbar.reset();
      TraceLog("  step(d): free toolbar end");
    }
    if (FRibbonObj) {
      TraceLog("  step(d): ribbon release");
      ReleaseRibbonObj();
    }
    TraceLog("  step(d): release app");
    FExcelApp = TAutoObject();
    FAppDisp.Reset();
    TraceLog("AddIn.Destroy done");
  } catch (...) {
    TraceLog("AddIn.Destroy EX " + ErrorText(DescribeCurrentException(), ": "));
  }
}

HRESULT STDMETHODCALLTYPE TMVNAddIn::QueryInterface(REFIID AIID, void** AObj) {
  if (!AObj) return E_POINTER;
  *AObj = nullptr;
  try {
    TraceLog("QI " + GuidText(AIID));
    if (IsRibbonRequest(AIID)) {
      if (!FRibbonObj) FRibbonObj = CreateRibbonObj(this);
      if (FRibbonObj) {
        FRibbonObj->AddRef();
        *AObj = FRibbonObj;
        TraceLog("  -> 00000000 (RibbonObj)");
        return S_OK;
      }
    }
    HRESULT Result = E_NOINTERFACE;
    if (IsEqualIID(AIID, IID_IUnknown) || IsEqualIID(AIID, IID_IDTExtensibility2)) {
      *AObj = static_cast<IDTExtensibility2*>(this);
    } else if (IsEqualIID(AIID, IID_ISupportErrorInfo)) {
      *AObj = static_cast<ISupportErrorInfo*>(this);
    }
    if (*AObj) {
      AddRef();
      Result = S_OK;
    }
    TraceLog("  -> " + HexCode(Result));
    return Result;
  } catch (...) {
    TraceLog("QI EX " + ErrorText(DescribeCurrentException(), ": "));
    return E_NOINTERFACE;
  }
}

ULONG STDMETHODCALLTYPE TMVNAddIn::AddRef() { return ++FRefCount; }

ULONG STDMETHODCALLTYPE TMVNAddIn::Release() {
  const ULONG Count = --FRefCount;
  if (Count == 0) delete this;
  return Count;
}

HRESULT STDMETHODCALLTYPE TMVNAddIn::GetTypeInfoCount(UINT* ACount) {
  if (!ACount) return E_POINTER;
  *ACount = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TMVNAddIn::GetTypeInfo(UINT, LCID, ITypeInfo** AInfo) {
  if (AInfo) *AInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TMVNAddIn::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TMVNAddIn::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TMVNAddIn::OnConnection(IDispatch* Application, LONG ConnectMode, IDispatch*, SAFEARRAY**) {
  try {
    TraceLog("OnConnection begin, mode=" + std::to_string(ConnectMode));
    Connect(Application);
  } catch (...) {
    const TCaughtError Error = DescribeCurrentException();
    TraceLog("OnConnection ERROR: " + ErrorText(Error, " "));
    try {
      ShowErrorDialog(MVN_PRODUCT_NAME, Error.Message + "\r\n" + Error.ClassName);
    } catch (...) {
      TraceLog("ShowErrorDialog also failed");
    }
  }
  return S_OK;
}

void TMVNAddIn::ConnectionStep(const char* ALine) {
  TraceLog(ALine);
  if (GConnectionStepHook) GConnectionStepHook(ALine);
}

void TMVNAddIn::Connect(IDispatch* AApplication) {
  ConnectionStep("  step: InitializeLCL");
  InitializeLCL();
  ConnectionStep("  step: LCL initialized");

  ConnectionStep("  step: DataDir");
  DataDir();
  ConnectionStep("  step: DataDir ok");

  ConnectionStep("  step: store Application");
  FAppDisp = TComPtr<IDispatch>::Share(AApplication);
  ConnectionStep("  step: DispatchToVariant");
  FExcelApp = TAutoObject::Share(AApplication);
  ConnectionStep("  step: app variant ok");

  ConnectionStep("  step: get Excel version");
  const int Major = ExcelMajorVersion();
  TraceLog("Excel version=" + std::to_string(Major));
  if (Major >= RIBBON_MIN_VERSION) {
    TraceLog("Using IRibbonExtensibility (Excel 2007+)");
    ConnectionStep("  step: purge legacy CommandBar (Ribbon UI)");
    PurgeLegacyToolbar();
    TraceLog("legacy CommandBar purged (FToolbar=nil for 2007+)");
  } else {
    TraceLog("Using CommandBar (Excel 2003)");
    CreateLegacyToolbar();
  }

  ConnectionStep("  step: GetSchemes");
  TSchemeList& Schemes = GetSchemes();
  ConnectionStep("  step: CreateSampleData");
  if (const auto Failure = CreateSampleData(Schemes)) ShowErrorDialog(Failure->Title, Failure->Message);
  ConnectionStep("sample data ensured");

  ConnectionStep("  step: GetSettings");
  const TAppSettings& Settings = GetSettings();
  if (!Settings.DataDir.empty()) SetCustomDataDir(Settings.DataDir);

  ConnectionStep("  step: RegisterHotKey");
  RegisterGlobalHotkey();
  FConnected = true;
  TraceLog("OnConnection done");
}

int TMVNAddIn::ExcelMajorVersion() {
  constexpr int Fallback = 11;
  try {
    const std::string Version = host::ApplicationVersion(FExcelApp);
    const size_t Dot = Version.find('.');
    if (Dot == std::string::npos || Dot == 0 || Dot > 9) return Fallback;
    int Major = 0;
    for (size_t I = 0; I < Dot; ++I) {
      if (Version[I] < '0' || Version[I] > '9') return Fallback;
      Major = Major * 10 + (Version[I] - '0');
    }
    return Major;
  } catch (...) {
    return Fallback;
  }
}

void TMVNAddIn::PurgeLegacyToolbar() {
  try {
    TCommandBarManager Manager(FExcelApp);
    Manager.SetOnStep([this](const std::string& AStep) { LogToolbarStep(AStep); });
    Manager.Purge();
  } catch (...) {
    TraceLog("purge legacy toolbar failed: " + ErrorText(DescribeCurrentException(), " "));
  }
}

void TMVNAddIn::CreateLegacyToolbar() {
  try {
    ConnectionStep("  step: create CommandBar");
    FToolbar = std::make_unique<TCommandBarManager>(FExcelApp);
    FToolbar->SetOnCommand([this](TToolbarCommand ACommand) { HandleToolbarCommand(ACommand); });
    FToolbar->SetOnStep([this](const std::string& AStep) { LogToolbarStep(AStep); });
    FToolbar->CreateToolbar();
    TraceLog("toolbar created, buttons=" + std::to_string(FToolbar->ButtonCount()));
  } catch (...) {
    TraceLog("CommandBar create failed: " + ErrorText(DescribeCurrentException(), " "));
    FToolbar.reset();
  }
}

HRESULT STDMETHODCALLTYPE TMVNAddIn::OnDisconnection(LONG RemoveMode, SAFEARRAY**) {
  try {
    TraceLog("OnDisconnection begin, mode=" + std::to_string(RemoveMode));
    Disconnect();
  } catch (...) {
    TraceLog("OnDisconnection EX " + ErrorText(DescribeCurrentException(), ": "));
  }
  return S_OK;
}

void TMVNAddIn::Disconnect() {
  UnregisterGlobalHotkey();
  TraceLog("  step: hotkey unregistered");
  if (FToolbar) {
    TraceLog("  step: free toolbar begin");
    // The manager's destructor swallows its own errors, so the field is
    // empty and the end traced in every case.
    FToolbar.reset();
    TraceLog("  step: free toolbar end");
  }
  if (FRibbonObj) {
    TraceLog("  step: ribbon release begin");
    ReleaseRibbonObj();
    TraceLog("  step: ribbon release done");
  }
  TraceLog("  step: release app begin");
  FExcelApp = TAutoObject();
  FAppDisp.Reset();
  FConnected = false;
  TraceLog("  step: release app done");
  TraceLog("OnDisconnection done");
}

void TMVNAddIn::ReleaseRibbonObj() {
  IUnknown* Ribbon = FRibbonObj;
  FRibbonObj = nullptr;
  if (Ribbon) Ribbon->Release();
}

HRESULT STDMETHODCALLTYPE TMVNAddIn::OnAddInsUpdate(SAFEARRAY**) { return S_OK; }
HRESULT STDMETHODCALLTYPE TMVNAddIn::OnStartupComplete(SAFEARRAY**) { return S_OK; }
HRESULT STDMETHODCALLTYPE TMVNAddIn::OnBeginShutdown(SAFEARRAY**) { return S_OK; }

HRESULT STDMETHODCALLTYPE TMVNAddIn::InterfaceSupportsErrorInfo(REFIID AIID) {
  return (IsEqualIID(AIID, IID_IUnknown) || IsEqualIID(AIID, IID_IDTExtensibility2) ||
          IsEqualIID(AIID, IID_ISupportErrorInfo))
             ? S_OK
             : S_FALSE;
}

// The hotkey window arrives with the hotkey itself.
void TMVNAddIn::RegisterGlobalHotkey() {}

void TMVNAddIn::UnregisterGlobalHotkey() {
  FHotKeyWnd = nullptr;
  FHotKeyID = 0;
}

// The commands arrive with the command dispatch.
void TMVNAddIn::HandleToolbarCommand(TToolbarCommand) {}

void TMVNAddIn::LogToolbarStep(const std::string& AStep) { TraceLog("  tb: " + AStep); }

}  // namespace mvn
