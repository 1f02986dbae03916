// The add-in's main job on a sample workbook held by the stand-in
// spreadsheet: the real MVN_ADDIN.dll is registered and connected the way
// Excel does it, creates its sample scheme, and Batch Replace applies that
// scheme to the selection. Prints the sheet before and after, the counters
// and what the add-in traced.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/uComPtr.h"
#include "base/uUnicode.h"
#include "engine/uReplace.h"
#include "engine/uStrUtil.h"
#include "engine/uUtils.h"
#include "fakeexcel/FakeExcel.h"
#include "host/uComTypes.h"
#include "i18n/uTranslator.h"
#include "store/uScheme.h"
#include "store/uUtils.h"
#include "store/uWinFile.h"

namespace {

using mvn::fake::TArea;
using mvn::fake::TCellKind;
using mvn::fake::TValue;

void Print(const std::string& AText) { std::fwrite(AText.data(), 1, AText.size(), stdout); }

std::string CellText(const mvn::fake::TCell& ACell) {
  std::string Text;
  switch (ACell.Kind()) {
    case TCellKind::Empty: break;
    case TCellKind::Text: Text = ACell.TextU(); break;
    case TCellKind::Number: Text = mvn::FloatToText(ACell.Value.Number); break;
    case TCellKind::Bool: Text = ACell.Value.Bool ? "TRUE" : "FALSE"; break;
    case TCellKind::Error: Text = "#ERROR"; break;
  }
  if (ACell.HasFormula()) Text = ACell.FormulaU() + " -> " + Text;
  return Text;
}

void PrintSheet(const mvn::fake::TWorkbook& ABook, const char* ATitle) {
  Print(std::string("\n") + ATitle + "\n");
  for (int32_t Row = 1; Row <= 6; ++Row) {
    std::string Line = "  ";
    Line += std::to_string(Row);
    Line += " |";
    for (int32_t Col = 1; Col <= 3; ++Col) {
      Line += ' ';
      Line += CellText(ABook.Cell(Row, Col));
      Line += " |";
    }
    Print(Line + "\n");
  }
}

// A fresh folder for the add-in: it keeps its files beside itself.
std::string PrepareAddInFolder() {
  wchar_t Temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, Temp);
  const std::string Dir = mvn::WideToUtf8(std::wstring(Temp) + L"Morvane demo\\");
  mvn::ForceDirectoriesU(Dir);
  for (const char* Name : {"schemes.ini", "settings.ini", "trace.log", "Data\\sample_city_names.csv",
                           "Data\\示例_地名中英替换.csv"})
    mvn::DeleteFileU(Dir + Name);
  if (!mvn::CopyFileU(MVN_ADDIN_DLL, Dir + "MVN_ADDIN.dll")) throw std::runtime_error("cannot copy the add-in DLL");
  return Dir;
}

// What regsvr32 does: load the DLL and ask it to register itself.
HMODULE RegisterAddIn(const std::string& ADllPath) {
  HMODULE Module = LoadLibraryW(mvn::Utf8ToWide(ADllPath).c_str());
  if (!Module) throw std::runtime_error("cannot load " + ADllPath);
  using TRegister = HRESULT(STDAPICALLTYPE*)();
  const auto Register = reinterpret_cast<TRegister>(reinterpret_cast<void*>(GetProcAddress(Module, "DllRegisterServer")));
  if (!Register || FAILED(Register())) throw std::runtime_error("DllRegisterServer failed");
  return Module;
}

void UnregisterAddIn(HMODULE AModule) {
  using TUnregister = HRESULT(STDAPICALLTYPE*)();
  const auto Unregister =
      reinterpret_cast<TUnregister>(reinterpret_cast<void*>(GetProcAddress(AModule, "DllUnregisterServer")));
  if (Unregister) Unregister();
}

// What Excel does: create the add-in by its ProgID.
mvn::TComPtr<mvn::IDTExtensibility2> CreateAddIn() {
  CLSID ClassID;
  if (FAILED(CLSIDFromProgID(L"Morvane.Connect", &ClassID))) throw std::runtime_error("Morvane.Connect is not registered");
  mvn::TComPtr<mvn::IDTExtensibility2> AddIn;
  if (FAILED(CoCreateInstance(ClassID, nullptr, CLSCTX_INPROC_SERVER, mvn::IID_IDTExtensibility2,
                              reinterpret_cast<void**>(AddIn.Put()))))
    throw std::runtime_error("cannot create Morvane.Connect");
  return AddIn;
}

void FillSampleWorkbook(mvn::fake::TWorkbook& ABook) {
  ABook.SetText(1, 1, "北京");
  ABook.SetText(1, 2, "从上海到杭州");
  ABook.SetNumber(1, 3, 42);
  ABook.SetText(2, 1, "天津");
  ABook.SetFormula(2, 2, "=A1", TValue::OfText("北京"));
  ABook.SetText(2, 3, "成都 / 重庆");
  ABook.SetText(5, 1, "南京路");
  ABook.SetText(6, 1, "西安");
  ABook.Select({TArea{1, 1, 2, 3}, TArea{5, 1, 2, 1}});
}

void PrintReport(const mvn::TReplaceReport& ARep) {
  Print("\n" + mvn::FormatInt(mvn::TLang("app.areas"), ARep.Areas) + "\n" +
        mvn::FormatInt(mvn::TLang("app.cells_read"), ARep.CellsRead) + "\n" +
        mvn::FormatInt(mvn::TLang("app.cells_matched"), ARep.CellsMatched) + "\n" +
        mvn::FormatInt(mvn::TLang("app.cells_replaced"), ARep.CellsReplaced) + "\n");
}

int Run() {
  const std::string AddInDir = PrepareAddInFolder();
  const HMODULE Module = RegisterAddIn(AddInDir + "MVN_ADDIN.dll");
  Print("Registered " + AddInDir + "MVN_ADDIN.dll as Morvane.Connect\n");

  auto Book = std::make_shared<mvn::fake::TWorkbook>();
  FillSampleWorkbook(*Book);
  const mvn::TAutoObject Excel(mvn::TComPtr<IDispatch>::Attach(mvn::fake::CreateApplication(Book)));

  {
    const mvn::TComPtr<mvn::IDTExtensibility2> AddIn = CreateAddIn();
    AddIn->OnConnection(Excel.Get(), 0, nullptr, nullptr);

    // The scheme the add-in created on its first connection.
    mvn::TSchemeList Schemes(AddInDir + "schemes.ini");
    Schemes.Load();
    if (Schemes.Count() == 0) throw std::runtime_error("the add-in created no sample scheme");
    const mvn::TScheme& Scheme = Schemes.Items(0);
    mvn::SetCustomDataDir(AddInDir + "Data\\");  // the add-in's data folder, seen from here

    Print("Scheme: " + Scheme.Name + " (" + mvn::MatchModeToStr(Scheme.MatchMode) + ")\nMapping: " +
          Scheme.CsvFullPath() + "\nSelection: A1:C2, A5:A6 (" + std::to_string(mvn::SelectionCellCount(Excel)) +
          " cells)\n");
    PrintSheet(*Book, "Before:");
    Book->ResetCalls();

    mvn::TReplaceOptions Options;
    Options.MatchMode = Scheme.MatchMode;
    const mvn::TReplaceReport Rep = mvn::ExecuteReplace(Excel, &Scheme, Options);

    PrintSheet(*Book, "After:");
    PrintReport(Rep);
    Print("Host calls: " + std::to_string(Book->CountCalls("Value2", mvn::fake::TCallKind::Get)) + " value reads, " +
          std::to_string(Book->CountCalls("Value2", mvn::fake::TCallKind::Put)) +
          " cell writes (the formula in B2 was spared)\n");
    AddIn->OnDisconnection(0, nullptr);
  }
  UnregisterAddIn(Module);

  std::string Trace;
  mvn::ReadFileBytesU(AddInDir + "trace.log", Trace);
  Print("\nThe add-in's trace.log:\n" + Trace);
  return 0;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  CoInitialize(nullptr);
  int Result = 1;
  try {
    Result = Run();
  } catch (const mvn::Exception& E) {
    Print(std::string(E.ClassName()) + ": " + E.Message() + "\n");
  } catch (const std::exception& E) {
    Print(std::string("error: ") + E.what() + "\n");
  }
  CoUninitialize();
  return Result;
}
