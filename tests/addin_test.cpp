// The add-in DLL as Excel meets it: registered, created through COM,
// connected to a stand-in Excel and disconnected. Every test works on its
// own copy of the DLL in a fresh folder, because the DLL keeps its files
// (trace.log, schemes.ini, settings.ini, Data\) beside itself.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "base/uComPtr.h"
#include "base/uUnicode.h"
#include "fakeexcel/FakeExcel.h"
#include "host/uComTypes.h"
#include "i18n/uTranslator.h"
#include "support/DialogDriver.h"
#include "support/TestSupport.h"

namespace mvn {
namespace {

using test::ReadWholeFile;
using test::TDialogDriver;
using test::TTempDir;
using test::WriteWholeFile;

using TDllGetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using TDllFunc = HRESULT(STDAPICALLTYPE*)();
using TFailAt = void (*)(const char*);
using TIsConnected = BOOL (*)(IDTExtensibility2*);

bool FileExists(const std::string& APath) {
  const DWORD Attr = GetFileAttributesW(Utf8ToWide(APath).c_str());
  return Attr != INVALID_FILE_ATTRIBUTES && !(Attr & FILE_ATTRIBUTE_DIRECTORY);
}

// A copy of one of the built DLLs, loaded from its own folder. The folder's
// name is not ASCII, as a user's profile may well be.
class TAddInCopy {
 public:
  explicit TAddInCopy(const char* ASource = MVN_ADDIN_DLL) : FDir("Morvane 测试") {
    FPath = FDir.File("MVN_ADDIN.dll");
    if (!CopyFileW(Utf8ToWide(ASource).c_str(), Utf8ToWide(FPath).c_str(), FALSE))
      throw std::runtime_error(std::string("cannot copy ") + ASource);
  }
  ~TAddInCopy() { Unload(); }

  void Load() {
    FModule = LoadLibraryW(Utf8ToWide(FPath).c_str());
    if (!FModule) throw std::runtime_error("cannot load " + FPath);
  }
  void Unload() {
    if (FModule) FreeLibrary(std::exchange(FModule, nullptr));
  }
  template <class T>
  T Proc(const char* AName) const {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(FModule, AName)));
  }
  HRESULT Call(const char* AExport) const { return Proc<TDllFunc>(AExport)(); }

  TComPtr<IClassFactory> Factory() const {
    TComPtr<IClassFactory> Result;
    const HRESULT Hr = Proc<TDllGetClassObject>("DllGetClassObject")(CLSID_MVNAddIn, IID_IClassFactory,
                                                                      reinterpret_cast<void**>(Result.Put()));
    if (FAILED(Hr)) throw std::runtime_error("DllGetClassObject failed");
    return Result;
  }
  TComPtr<IDTExtensibility2> CreateAddIn() const {
    TComPtr<IDTExtensibility2> Result;
    Factory()->CreateInstance(nullptr, IID_IDTExtensibility2, reinterpret_cast<void**>(Result.Put()));
    return Result;
  }

  const std::string& Dir() const { return FDir.Path(); }
  const std::string& Path() const { return FPath; }
  std::string DataFile(const std::string& AName) const { return FDir.Path() + "Data\\" + AName; }
  std::string TracePath() const { return FDir.File("trace.log"); }

  // The messages of trace.log, after checking every line's form.
  std::vector<std::string> Trace() const {
    std::vector<std::string> Lines;
    if (!FileExists(TracePath())) return Lines;
    const std::string Text = ReadWholeFile(TracePath());
    static const std::regex Line(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )");
    size_t Start = 0;
    while (Start < Text.size()) {
      const size_t End = Text.find("\r\n", Start);
      if (End == std::string::npos) {
        ADD_FAILURE() << "trace line without CR LF: " << Text.substr(Start);
        break;
      }
      const std::string Raw = Text.substr(Start, End - Start);
      EXPECT_TRUE(std::regex_search(Raw, Line)) << Raw;
      Lines.push_back(Raw.size() >= 24 ? Raw.substr(24) : Raw);
      Start = End + 2;
    }
    return Lines;
  }
  // The trace from the last line equal to AFirst on.
  std::vector<std::string> TraceFrom(const std::string& AFirst) const {
    std::vector<std::string> All = Trace();
    for (size_t I = All.size(); I-- > 0;)
      if (All[I] == AFirst) return std::vector<std::string>(All.begin() + I, All.end());
    return {};
  }
  void ClearTrace() const { DeleteFileW(Utf8ToWide(TracePath()).c_str()); }

 private:
  TTempDir FDir;
  std::string FPath;
  HMODULE FModule = nullptr;
};

// Answers the one window titled ATitle and keeps its controls' texts.
struct TAnswer {
  std::string Texts;  // one per line
  TDialogDriver::TScript Script(const std::string& ATitle) {
    return [this, ATitle](TDialogDriver& ADriver) {
      if (HWND Wnd = ADriver.WaitFor(ATitle)) {
        for (const TDialogDriver::TChild& Child : ADriver.Children(Wnd)) Texts += Child.Text + "\n";
        ADriver.Close(Wnd);
        ADriver.WaitGone(Wnd);
      }
    };
  }
};

// A driver that fails the test on any window at all.
void NoWindow(TDialogDriver&) {}

struct TComApartment {
  TComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~TComApartment() { CoUninitialize(); }
};

TComPtr<IDispatch> FakeExcel(std::shared_ptr<fake::TWorkbook> ABook) {
  return TComPtr<IDispatch>::Attach(fake::CreateApplication(std::move(ABook)));
}

std::optional<std::wstring> RegValue(const std::wstring& AKey, const wchar_t* AName = nullptr) {
  wchar_t Buffer[1024];
  DWORD Size = sizeof Buffer;
  if (RegGetValueW(HKEY_CLASSES_ROOT, AKey.c_str(), AName, RRF_RT_REG_SZ, nullptr, Buffer, &Size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(Buffer);
}

std::wstring ClsidText() {
  wchar_t Buffer[40];
  StringFromGUID2(CLSID_MVNAddIn, Buffer, 40);
  return Buffer;
}

const std::vector<std::string> CRibbonConnection = {
    "OnConnection begin, mode=1",
    "  step: InitializeLCL",
    "  step: LCL initialized",
    "  step: DataDir",
    "  step: DataDir ok",
    "  step: store Application",
    "  step: DispatchToVariant",
    "  step: app variant ok",
    "  step: get Excel version",
    "Excel version=16",
    "Using IRibbonExtensibility (Excel 2007+)",
    "  step: purge legacy CommandBar (Ribbon UI)",
    "legacy CommandBar purged (FToolbar=nil for 2007+)",
    "  step: GetSchemes",
    "  step: CreateSampleData",
    "sample data ensured",
    "  step: GetSettings",
    "  step: RegisterHotKey",
    "OnConnection done",
};

const std::vector<std::string> CDisconnection = {
    "OnDisconnection begin, mode=1", "  step: hotkey unregistered", "  step: release app begin",
    "  step: release app done",      "OnDisconnection done",
};

std::string SampleCsvName() { return LocaleCode() == "zh" ? "示例_地名中英替换.csv" : "sample_city_names.csv"; }

// Registration, creation by ProgID and the whole connection, as Excel does
// it, then unregistration.
TEST(AddInServer, RegistersConnectsAndUnregistersLikeExcel) {
  TAddInCopy AddIn;
  AddIn.Load();
  ASSERT_EQ(AddIn.Call("DllRegisterServer"), S_OK);

  const std::wstring Clsid = ClsidText();
  const std::wstring ClassKey = L"CLSID\\" + Clsid;
  EXPECT_EQ(RegValue(ClassKey + L"\\InprocServer32"), Utf8ToWide(AddIn.Path()));
  EXPECT_EQ(RegValue(ClassKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(RegValue(ClassKey), L"Morvane");
  EXPECT_EQ(RegValue(ClassKey + L"\\ProgID"), L"MVN_ADDIN.Morvane.Connect");
  EXPECT_EQ(RegValue(L"MVN_ADDIN.Morvane.Connect"), L"Morvane");
  EXPECT_EQ(RegValue(L"MVN_ADDIN.Morvane.Connect\\CLSID"), Clsid);
  EXPECT_EQ(RegValue(L"Morvane.Connect"), L"Morvane");
  EXPECT_EQ(RegValue(L"Morvane.Connect\\CLSID"), Clsid);

  {
    TComApartment Apartment;
    CLSID FromProgID{};
    ASSERT_EQ(CLSIDFromProgID(L"Morvane.Connect", &FromProgID), S_OK);
    EXPECT_TRUE(IsEqualCLSID(FromProgID, CLSID_MVNAddIn));

    auto Book = std::make_shared<fake::TWorkbook>();
    Book->SetVersion("16.0");
    TComPtr<IDispatch> Excel = FakeExcel(Book);
    TDialogDriver Driver(&NoWindow);
    {
      TComPtr<IDTExtensibility2> Ext;
      ASSERT_EQ(CoCreateInstance(FromProgID, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                                 reinterpret_cast<void**>(Ext.Put())),
                S_OK);
      ASSERT_TRUE(Ext);
      EXPECT_EQ(Ext->OnConnection(Excel.Get(), 1, nullptr, nullptr), S_OK);
      EXPECT_EQ(AddIn.TraceFrom("OnConnection begin, mode=1"), CRibbonConnection);
      EXPECT_EQ(Ext->OnDisconnection(1, nullptr), S_OK);
      EXPECT_EQ(AddIn.TraceFrom("OnDisconnection begin, mode=1"), CDisconnection);
    }
    EXPECT_EQ(AddIn.TraceFrom("AddIn.Destroy begin"),
              (std::vector<std::string>{"AddIn.Destroy begin", "  step(d): release app", "AddIn.Destroy done"}));
    EXPECT_EQ(Driver.Finish(), "");

    // The first run's sample, in the locale's language.
    const std::string Csv = ReadWholeFile(AddIn.DataFile(SampleCsvName()));
    EXPECT_EQ(Csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(Csv.find(TLang("app.sample_header") + "\r\n北京,Beijing\r\n"), std::string::npos);
    const std::string Schemes = ReadWholeFile(AddIn.Dir() + "schemes.ini");
    EXPECT_NE(Schemes.find(TLang("app.sample_name")), std::string::npos);
    EXPECT_NE(Schemes.find(SampleCsvName()), std::string::npos);
  }

  ASSERT_EQ(AddIn.Call("DllUnregisterServer"), S_OK);
  ASSERT_EQ(AddIn.Call("DllUnregisterServer"), S_OK);
  for (const std::wstring& Key : {ClassKey + L"\\InprocServer32", ClassKey + L"\\ProgID", ClassKey,
                                  std::wstring(L"MVN_ADDIN.Morvane.Connect\\CLSID"),
                                  std::wstring(L"MVN_ADDIN.Morvane.Connect"),
                                  std::wstring(L"Morvane.Connect\\CLSID"), std::wstring(L"Morvane.Connect")}) {
    HKEY Key2 = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_READ, &Key2), ERROR_SUCCESS)
        << WideToUtf8(Key) << " is still there";
    if (Key2) RegCloseKey(Key2);
  }
}

TEST(AddInServer, ClassObjectAndInterfaces) {
  TAddInCopy AddIn;
  AddIn.Load();
  auto GetClassObject = AddIn.Proc<TDllGetClassObject>("DllGetClassObject");
  void* Obj = reinterpret_cast<void*>(1);

  const CLSID Other = IID_IDispatch;  // any CLSID but ours
  EXPECT_EQ(GetClassObject(Other, IID_IClassFactory, &Obj), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(Obj, nullptr);
  EXPECT_EQ(AddIn.Trace(),
            (std::vector<std::string>{"DllGetClassObject enter", "DllGetClassObject -> 0x80040111"}));
  EXPECT_EQ(GetClassObject(CLSID_MVNAddIn, IID_IDispatch, &Obj), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(AddIn.Call("DllCanUnloadNow"), S_FALSE);

  AddIn.ClearTrace();
  TComPtr<IClassFactory> Factory = AddIn.Factory();
  EXPECT_EQ(AddIn.Trace(), (std::vector<std::string>{"DllGetClassObject enter", "DllGetClassObject -> 0x00000000"}));

  TComPtr<IUnknown> First, Second, Aggregated;
  ASSERT_EQ(Factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(First.Put())), S_OK);
  ASSERT_EQ(Factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(Second.Put())), S_OK);
  EXPECT_NE(First.Get(), Second.Get());
  EXPECT_EQ(Factory->CreateInstance(First.Get(), IID_IUnknown, reinterpret_cast<void**>(Aggregated.Put())),
            CLASS_E_NOAGGREGATION);
  EXPECT_FALSE(Aggregated);
  EXPECT_EQ(Factory->CreateInstance(nullptr, IID_IClassFactory, &Obj), E_NOINTERFACE);
  EXPECT_EQ(Obj, nullptr);

  // The ribbon object arrives with the Ribbon: until then both requests for
  // it are refused, and traced.
  struct TCase {
    IID Iid;
    HRESULT Result;
    const char* Trace;
  };
  const TCase Cases[] = {
      {IID_IDTExtensibility2, S_OK, "{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}"},
      {IID_ISupportErrorInfo, S_OK, "{DF0B3D60-548F-101B-8E65-08002B2BD119}"},
      {IID_IRibbonExtensibility, E_NOINTERFACE, "{000C0396-0000-0000-C000-000000000046}"},
      {IID_IDispatch, E_NOINTERFACE, "{00020400-0000-0000-C000-000000000046}"},
      {IID_IClassFactory, E_NOINTERFACE, "{00000001-0000-0000-C000-000000000046}"},
  };
  for (const TCase& Case : Cases) {
    AddIn.ClearTrace();
    TComPtr<IUnknown> Answer;
    EXPECT_EQ(First->QueryInterface(Case.Iid, reinterpret_cast<void**>(Answer.Put())), Case.Result) << Case.Trace;
    EXPECT_EQ(static_cast<bool>(Answer), Case.Result == S_OK) << Case.Trace;
    EXPECT_EQ(AddIn.Trace(), (std::vector<std::string>{std::string("QI ") + Case.Trace,
                                                       Case.Result == S_OK ? "  -> 00000000" : "  -> 80004002"}));
  }
  TComPtr<ISupportErrorInfo> ErrorInfo;
  ASSERT_EQ(First->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(ErrorInfo.Put())), S_OK);
  EXPECT_EQ(ErrorInfo->InterfaceSupportsErrorInfo(IID_IDTExtensibility2), S_OK);
  EXPECT_EQ(ErrorInfo->InterfaceSupportsErrorInfo(IID_IRibbonExtensibility), S_FALSE);
}

// Excel's version decides between the Ribbon and the toolbar; a version
// that cannot be read or understood means the toolbar, never an error.
TEST(AddInConnection, VersionSelectsRibbonOrToolbar) {
  TAddInCopy AddIn;
  AddIn.Load();
  struct TCase {
    const char* Version;  // nullptr: the property fails
    int Major;
  };
  const TCase Cases[] = {{"16.0", 16}, {"12.0", 12}, {"11.0", 11}, {"16", 11}, {"x.0", 11}, {nullptr, 11}};
  TDialogDriver Driver(&NoWindow);
  for (const TCase& Case : Cases) {
    const std::string Name = Case.Version ? Case.Version : "(fails)";
    auto Book = std::make_shared<fake::TWorkbook>();
    if (Case.Version) Book->SetVersion(Case.Version);
    Book->SetVersionFails(!Case.Version);
    TComPtr<IDispatch> Excel = FakeExcel(Book);
    TComPtr<IDTExtensibility2> Ext = AddIn.CreateAddIn();
    ASSERT_TRUE(Ext);
    EXPECT_EQ(Ext->OnConnection(Excel.Get(), 1, nullptr, nullptr), S_OK) << Name;
    std::vector<std::string> Trace = AddIn.TraceFrom("OnConnection begin, mode=1");
    ASSERT_GE(Trace.size(), 13u) << Name;
    EXPECT_EQ(Trace[9], "Excel version=" + std::to_string(Case.Major)) << Name;
    if (Case.Major >= 12) {
      EXPECT_EQ(Trace[10], "Using IRibbonExtensibility (Excel 2007+)") << Name;
      EXPECT_EQ(Trace[12], "legacy CommandBar purged (FToolbar=nil for 2007+)") << Name;
    } else {
      EXPECT_EQ(Trace[10], "Using CommandBar (Excel 2003)") << Name;
      EXPECT_EQ(Trace[11], "  step: create CommandBar") << Name;
      EXPECT_EQ(Trace[12], "toolbar created, buttons=0") << Name;
    }
    EXPECT_EQ(Trace.back(), "OnConnection done") << Name;

    EXPECT_EQ(Ext->OnDisconnection(2, nullptr), S_OK);
    Trace = AddIn.TraceFrom("OnDisconnection begin, mode=2");
    const bool FreedToolbar = std::find(Trace.begin(), Trace.end(), "  step: free toolbar end") != Trace.end();
    EXPECT_EQ(FreedToolbar, Case.Major < 12) << Name;
    EXPECT_EQ(Trace.back(), "OnDisconnection done") << Name;
  }
  EXPECT_EQ(Driver.Finish(), "");
}

// The process-wide scheme list is loaded once: a second connection neither
// reloads schemes.ini nor adds the sample scheme again, and the list is
// saved once more when the DLL unloads.
TEST(AddInConnection, SecondConnectionReloadsNothingAndUnloadSaves) {
  TAddInCopy AddIn;
  AddIn.Load();
  auto Book = std::make_shared<fake::TWorkbook>();
  TComPtr<IDispatch> Excel = FakeExcel(Book);
  const std::string SchemesIni = AddIn.Dir() + "schemes.ini";
  {
    TDialogDriver Driver(&NoWindow);
    TComPtr<IDTExtensibility2> Ext = AddIn.CreateAddIn();
    ASSERT_EQ(Ext->OnConnection(Excel.Get(), 1, nullptr, nullptr), S_OK);
    ASSERT_EQ(Ext->OnDisconnection(1, nullptr), S_OK);
    ASSERT_TRUE(FileExists(SchemesIni));

    // Behind the add-in's back: another scheme list, and no sample CSV.
    WriteWholeFile(SchemesIni, "\xEF\xBB\xBF");
    ASSERT_TRUE(DeleteFileW(Utf8ToWide(AddIn.DataFile(SampleCsvName())).c_str()));

    TComPtr<IDTExtensibility2> Second = AddIn.CreateAddIn();
    ASSERT_EQ(Second->OnConnection(Excel.Get(), 1, nullptr, nullptr), S_OK);
    EXPECT_EQ(AddIn.TraceFrom("OnConnection begin, mode=1").back(), "OnConnection done");
    EXPECT_TRUE(FileExists(AddIn.DataFile(SampleCsvName()))) << "the sample CSV is created again";
    EXPECT_EQ(ReadWholeFile(SchemesIni), "\xEF\xBB\xBF") << "the list in memory still holds the sample";
    ASSERT_EQ(Second->OnDisconnection(1, nullptr), S_OK);
    EXPECT_EQ(Driver.Finish(), "");
  }
  AddIn.Unload();
  EXPECT_NE(ReadWholeFile(SchemesIni).find(TLang("app.sample_name")), std::string::npos);
}

// A sample CSV that cannot be written is reported, and the connection goes on.
TEST(AddInConnection, UnwritableSampleShowsErrorAndCompletes) {
  TAddInCopy AddIn;
  AddIn.Load();
  // A folder in the way of the sample file.
  ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(AddIn.Dir() + "Data").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(AddIn.DataFile(SampleCsvName())).c_str(), nullptr));
  auto Book = std::make_shared<fake::TWorkbook>();
  TComPtr<IDispatch> Excel = FakeExcel(Book);
  TAnswer Answer;
  TDialogDriver Driver(Answer.Script(TLang("gl.sample_fail_title")));
  TComPtr<IDTExtensibility2> Ext = AddIn.CreateAddIn();
  EXPECT_EQ(Ext->OnConnection(Excel.Get(), 1, nullptr, nullptr), S_OK);
  EXPECT_EQ(Driver.Finish(), "");
  EXPECT_EQ(AddIn.TraceFrom("OnConnection begin, mode=1").back(), "OnConnection done");
  std::string Expected = TLang("gl.sample_fail_write");
  Expected.replace(Expected.find("%s"), 2, AddIn.DataFile(SampleCsvName()));
  EXPECT_NE(Answer.Texts.find(Expected), std::string::npos) << Answer.Texts;
  EXPECT_FALSE(FileExists(AddIn.Dir() + "schemes.ini")) << "no sample scheme without its CSV";
}

// An error inside the connection sequence ends in one dialog, a trace line
// and S_OK, and leaves the add-in unconnected.
TEST(AddInConnection, ErrorInSequenceShowsOneDialogAndReturnsOk) {
  TAddInCopy AddIn(MVN_ADDIN_SEAM_DLL);
  AddIn.Load();
  auto Book = std::make_shared<fake::TWorkbook>();
  TComPtr<IDispatch> Excel = FakeExcel(Book);
  const auto IsConnected = AddIn.Proc<TIsConnected>("MvnTestIsConnected");

  for (const char* Step : {"  step: GetSettings", "  step: GetSchemes"}) {
    AddIn.Proc<TFailAt>("MvnTestFailAt")(Step);
    TAnswer Answer;
    TDialogDriver Driver(Answer.Script("Morvane"));
    TComPtr<IDTExtensibility2> Ext = AddIn.CreateAddIn();
    EXPECT_EQ(Ext->OnConnection(Excel.Get(), 1, nullptr, nullptr), S_OK) << Step;
    EXPECT_EQ(Driver.Finish(), "") << Step;
    std::vector<std::string> Trace = AddIn.TraceFrom("OnConnection begin, mode=1");
    ASSERT_GE(Trace.size(), 2u);
    EXPECT_EQ(Trace[Trace.size() - 2], Step);
    EXPECT_EQ(Trace.back(), "OnConnection ERROR: ETestFault Injected fault");
    EXPECT_FALSE(IsConnected(Ext.Get())) << Step;

    EXPECT_NE(Answer.Texts.find("Injected fault\r\nETestFault"), std::string::npos) << Answer.Texts;
    EXPECT_EQ(Ext->OnDisconnection(1, nullptr), S_OK);
  }

  AddIn.Proc<TFailAt>("MvnTestFailAt")(nullptr);
  TComPtr<IDTExtensibility2> Ext = AddIn.CreateAddIn();
  EXPECT_EQ(Ext->OnConnection(Excel.Get(), 1, nullptr, nullptr), S_OK);
  EXPECT_TRUE(IsConnected(Ext.Get()));
  EXPECT_EQ(Ext->OnDisconnection(1, nullptr), S_OK);
  EXPECT_FALSE(IsConnected(Ext.Get()));
}

// The trace file grows by appending and starts afresh only once it is
// larger than 16,777,216 bytes.
TEST(AddInTrace, StartsAfreshAboveTheLimit) {
  TAddInCopy AddIn;
  AddIn.Load();
  auto GetClassObject = AddIn.Proc<TDllGetClassObject>("DllGetClassObject");
  void* Obj = nullptr;
  struct TCase {
    size_t Size;
    std::vector<std::string> Trace;
  };
  // A file at the limit takes the first line and is thereby over it: the
  // second line starts it afresh.
  const TCase Cases[] = {
      {16777216, {"DllGetClassObject -> 0x80040111"}},
      {16777217, {"DllGetClassObject enter", "DllGetClassObject -> 0x80040111"}},
  };
  for (const TCase& Case : Cases) {
    WriteWholeFile(AddIn.TracePath(), std::string(Case.Size, 'x'));
    GetClassObject(IID_IDispatch, IID_IClassFactory, &Obj);
    EXPECT_EQ(AddIn.Trace(), Case.Trace) << Case.Size;
  }
}

}  // namespace
}  // namespace mvn
