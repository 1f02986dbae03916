// The COM server: the four exports, the class factory and registration.
#include <windows.h>
#include <olectl.h>

#include <atomic>
#include <string>

#include "base/uExcept.h"
#include "base/uHandles.h"
#include "base/uModule.h"
#include "base/uUnicode.h"
#include "host/uAppShell.h"
#include "host/uComTypes.h"
#include "i18n/uTranslator.h"

namespace mvn {

namespace {

HINSTANCE GInstance = nullptr;

using TCreateFunc = IUnknown* (*)();

IUnknown* CreateAddIn() { return static_cast<IDTExtensibility2*>(TMVNAddIn::Create()); }

// One generic factory per creatable class. Lives as long as the module.
class TMVNFactory final : public IClassFactory {
 public:
  TMVNFactory(const CLSID& AClassID, TCreateFunc ACreate) : FClassID(AClassID), FCreate(ACreate) {}

  const CLSID& ClassID() const noexcept { return FClassID; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID AIID, void** AObj) override {
    if (!AObj) return E_POINTER;
    if (IsEqualIID(AIID, IID_IUnknown) || IsEqualIID(AIID, IID_IClassFactory)) {
      *AObj = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *AObj = nullptr;
    return E_NOINTERFACE;
  }
  // The module's own reference keeps the count above zero: the factory is
  // never deleted through Release.
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefCount; }
  ULONG STDMETHODCALLTYPE Release() override { return --FRefCount; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* AOuter, REFIID AIID, void** AObj) override {
    if (!AObj) return E_POINTER;
    *AObj = nullptr;
    // A non-aggregatable object given to an aggregator would break its
    // identity rules; refuse instead of ignoring the outer object.
    if (AOuter) return CLASS_E_NOAGGREGATION;
    try {
      IUnknown* Object = FCreate();
      const HRESULT Result = Object->QueryInterface(AIID, AObj);
      Object->Release();
      return Result;
    } catch (...) {
      const TCaughtError Error = DescribeCurrentException();
      TraceLog("CreateInstance EX " + Error.ClassName + ": " + Error.Message);
      return E_OUTOFMEMORY;
    }
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL ALock) override {
    const HRESULT Result = CoLockObjectExternal(static_cast<IUnknown*>(this), ALock, TRUE);
    if (SUCCEEDED(Result)) ALock ? ++FLockCount : --FLockCount;
    return Result;
  }

 private:
  const CLSID FClassID;
  const TCreateFunc FCreate;
  std::atomic<ULONG> FRefCount{1};
  std::atomic<LONG> FLockCount{0};
};

TMVNFactory GAddInFactory(CLSID_MVNAddIn, &CreateAddIn);
TMVNFactory* const GFactories[] = {&GAddInFactory};

// The file name without directory and extension: the first part of the
// server's own ProgID.
std::wstring ServerName() {
  std::wstring Name = ModuleFileName(GInstance);
  const size_t Slash = Name.find_last_of(L"\\/:");
  if (Slash != std::wstring::npos) Name.erase(0, Slash + 1);
  const size_t Dot = Name.rfind(L'.');
  if (Dot != std::wstring::npos) Name.erase(Dot);
  return Name;
}

bool WriteClassesRootValue(const std::wstring& AKey, const wchar_t* AValueName, const std::wstring& AData) {
  TRegKey Key;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, AKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, Key.Put(), nullptr) !=
      ERROR_SUCCESS)
    return false;
  const LONG Result = RegSetValueExW(Key.Get(), AValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(AData.c_str()),
                                     static_cast<DWORD>((AData.size() + 1) * sizeof(wchar_t)));
  return Result == ERROR_SUCCESS;
}

// A key that is not there counts as deleted.
bool DeleteClassesRootKey(const std::wstring& AKey) {
  const LONG Result = RegDeleteKeyW(HKEY_CLASSES_ROOT, AKey.c_str());
  return Result == ERROR_SUCCESS || Result == ERROR_FILE_NOT_FOUND || Result == ERROR_PATH_NOT_FOUND;
}

bool RegisterFactory(const TMVNFactory& AFactory) {
  const std::wstring ClassID = Utf8ToWide(GuidText(AFactory.ClassID()));
  const std::wstring ClassKey = L"CLSID\\" + ClassID;
  const std::wstring ServerProgID = ServerName() + L"." + MVN_CLASS_NAME;
  const std::wstring FileName = ModuleFileName(GInstance);
  if (FileName.empty()) return false;
  return WriteClassesRootValue(ClassKey + L"\\InprocServer32", nullptr, FileName) &&
         WriteClassesRootValue(ClassKey + L"\\InprocServer32", L"ThreadingModel", MVN_THREADING_MODEL) &&
         WriteClassesRootValue(ClassKey, nullptr, MVN_CLASS_DESCRIPTION) &&
         WriteClassesRootValue(ClassKey + L"\\ProgID", nullptr, ServerProgID) &&
         WriteClassesRootValue(ServerProgID, nullptr, MVN_CLASS_DESCRIPTION) &&
         WriteClassesRootValue(ServerProgID + L"\\CLSID", nullptr, ClassID) &&
         WriteClassesRootValue(MVN_CLASS_NAME, nullptr, MVN_CLASS_DESCRIPTION) &&
         WriteClassesRootValue(std::wstring(MVN_CLASS_NAME) + L"\\CLSID", nullptr, ClassID);
}

// Tries every key, each subkey before its parent; false when one of them is
// still there afterwards.
bool UnregisterFactory(const TMVNFactory& AFactory) {
  const std::wstring ClassKey = L"CLSID\\" + Utf8ToWide(GuidText(AFactory.ClassID()));
  const std::wstring ServerProgID = ServerName() + L"." + MVN_CLASS_NAME;
  const std::wstring Keys[] = {
      ClassKey + L"\\InprocServer32",
      ClassKey + L"\\VersionIndependentProgID",
      ClassKey + L"\\ProgID",
      ServerProgID + L"\\CLSID",
      ServerProgID + L"\\CurVer",
      ServerProgID,
      ClassKey,
      std::wstring(MVN_CLASS_NAME) + L"\\CLSID",
      MVN_CLASS_NAME,
  };
  bool Ok = true;
  for (const std::wstring& Key : Keys)
    if (!DeleteClassesRootKey(Key)) Ok = false;
  return Ok;
}

}  // namespace

}  // namespace mvn

using namespace mvn;

extern "C" BOOL WINAPI DllMain(HINSTANCE AInstance, DWORD AReason, LPVOID AReserved) {
  if (AReason == DLL_PROCESS_ATTACH) {
    GInstance = AInstance;
    DisableThreadLibraryCalls(AInstance);
  } else if (AReason == DLL_PROCESS_DETACH) {
    ShutdownAddInModule(AReserved == nullptr);
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID AClassID, REFIID AIID, void** AObj) {
  HRESULT Result = CLASS_E_CLASSNOTAVAILABLE;
  try {
    TraceLog("DllGetClassObject enter");
    if (AObj) *AObj = nullptr;
    // The message catalogue picks its language at the first contact.
    EnsureTranslator();
    for (TMVNFactory* Factory : GFactories) {
      if (!IsEqualCLSID(AClassID, Factory->ClassID())) continue;
      if (AObj && (IsEqualIID(AIID, IID_IUnknown) || IsEqualIID(AIID, IID_IClassFactory))) {
        *AObj = static_cast<IClassFactory*>(Factory);
        Factory->AddRef();
        Result = S_OK;
      }
      break;
    }
    TraceLog("DllGetClassObject -> 0x" + HexCode(Result));
  } catch (...) {
    const TCaughtError Error = DescribeCurrentException();
    TraceLog("DllGetClassObject EX " + Error.ClassName + ": " + Error.Message);
    Result = E_FAIL;
  }
  return Result;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  try {
    for (TMVNFactory* Factory : GFactories)
      if (!RegisterFactory(*Factory)) return SELFREG_E_CLASS;
    return S_OK;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  try {
    bool Ok = true;
    for (TMVNFactory* Factory : GFactories)
      if (!UnregisterFactory(*Factory)) Ok = false;
    return Ok ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}
