// The add-in object Excel connects through IDTExtensibility2, the trace log
// every part of the host integration writes to, and the scheme list and
// settings the whole process shares.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/uComPtr.h"
#include "engine/uExcelHost.h"
#include "host/uCmdBarMgr.h"
#include "host/uComTypes.h"
#include "store/uScheme.h"
#include "store/uSettings.h"

namespace mvn {

// Appends "yyyy-mm-dd hh:nn:ss.zzz <AMsg>" and CR LF to trace.log beside the
// DLL. Never fails: a line that cannot be written is lost.
void TraceLog(const std::string& AMsg) noexcept;
// Starts afresh once the file has grown beyond this many bytes.
constexpr uint64_t kTraceLogLimit = 16777216;

// A GUID in registry form ("{000C0396-0000-0000-C000-000000000046}") and an
// HRESULT as eight upper-case hex digits, as the trace and the registry
// write them.
std::string GuidText(REFGUID AGuid);
std::string HexCode(HRESULT ACode);

// The process-wide scheme list and settings, created and loaded on first
// use. A load that raises leaves the object in place, and later calls return
// it without loading again.
TSchemeList& GetSchemes();
TAppSettings& GetSettings();

// Sets up the window layer once per process.
void InitializeLCL();

// Module unload: saves the scheme list once more and frees both process-wide
// objects. AFreeLibrary is false when the whole process is ending.
void ShutdownAddInModule(bool AFreeLibrary) noexcept;

// Called with every trace line of the connection sequence that lies inside
// its error guard, right after the line is written. Lets a test raise an
// error at a chosen step; nothing in the product sets it.
using TConnectionStepHook = void (*)(const char* ALine);
void SetConnectionStepHook(TConnectionStepHook AHook) noexcept;

class TMVNAddIn final : public IDTExtensibility2, public ISupportErrorInfo {
 public:
  // A new object with one reference for the caller.
  static TMVNAddIn* Create();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID AIID, void** AObj) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch: no type information and no late-bound members of its own.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* ACount) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT AIndex, LCID ALcid, ITypeInfo** AInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID AIID, LPOLESTR* ANames, UINT ACount, LCID ALcid,
                                          DISPID* AIds) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID AId, REFIID AIID, LCID ALcid, WORD AFlags, DISPPARAMS* AParams,
                                   VARIANT* AResult, EXCEPINFO* AExcep, UINT* AArgErr) override;

  // IDTExtensibility2
  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, LONG ConnectMode, IDispatch* AddInInst,
                                         SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(LONG RemoveMode, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID AIID) override;

  // True from the end of a completed connection until the disconnection.
  bool Connected() const noexcept { return FConnected; }
  bool HasToolbar() const noexcept { return FToolbar != nullptr; }

  // The global hotkey's registration; both do nothing until the hotkey
  // window exists.
  void RegisterGlobalHotkey();
  void UnregisterGlobalHotkey();

  // The toolbar manager's two events.
  void HandleToolbarCommand(TToolbarCommand ACommand);
  void LogToolbarStep(const std::string& AStep);

 private:
  TMVNAddIn() = default;
  ~TMVNAddIn();

  void Connect(IDispatch* AApplication);
  void Disconnect();
  // Traces a step of the connection sequence and lets the test hook see it.
  void ConnectionStep(const char* ALine);
  int ExcelMajorVersion();
  void PurgeLegacyToolbar();
  void CreateLegacyToolbar();
  void ReleaseRibbonObj();

  std::atomic<ULONG> FRefCount{1};
  TComPtr<IDispatch> FAppDisp;
  TAutoObject FExcelApp;
  std::unique_ptr<TCommandBarManager> FToolbar;
  bool FConnected = false;
  IUnknown* FRibbonObj = nullptr;  // one counted reference while set
  HWND FHotKeyWnd = nullptr;
  int32_t FHotKeyID = 0;
};

// The ribbon object handed out for IRibbonExtensibility and IDispatch, with
// one reference for AOwner; nullptr while the add-in has none.
IUnknown* CreateRibbonObj(TMVNAddIn* AOwner);

}  // namespace mvn
