// Runs Batch Replace on a sample workbook held by the stand-in spreadsheet
// and prints the sheet before and after, with the run's counters.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/uUnicode.h"
#include "engine/uReplace.h"
#include "engine/uStrUtil.h"
#include "engine/uUtils.h"
#include "fakeexcel/FakeExcel.h"
#include "i18n/uTranslator.h"
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
    case TCellKind::Empty: Text = ""; break;
    case TCellKind::Text: Text = ACell.TextU(); break;
    case TCellKind::Number: Text = mvn::FloatToText(ACell.Value.Number); break;
    case TCellKind::Bool: Text = ACell.Value.Bool ? "TRUE" : "FALSE"; break;
    case TCellKind::Error: Text = "#ERR" + std::to_string(ACell.Value.Error); break;
  }
  if (ACell.HasFormula()) Text = ACell.FormulaU() + " -> " + Text;
  return Text;
}

void PrintSheet(const mvn::fake::TWorkbook& ABook, const char* ATitle) {
  Print(std::string("\n") + ATitle + "\n");
  for (int32_t Row = 1; Row <= 6; ++Row) {
    std::string Line = "  " + std::to_string(Row) + " |";
    for (int32_t Col = 1; Col <= 3; ++Col) Line += " " + CellText(ABook.Cell(Row, Col)) + " |";
    Print(Line + "\n");
  }
}

// The mapping the add-in creates as its first sample.
const char kSampleCsv[] =
    "\xEF\xBB\xBFSource,Target\r\n北京,Beijing\r\n上海,Shanghai\r\n广州,Guangzhou\r\n深圳,Shenzhen\r\n"
    "杭州,Hangzhou\r\n成都,Chengdu\r\n武汉,Wuhan\r\n西安,XiAn\r\n南京,Nanjing\r\n重庆,Chongqing\r\n";

int Run() {
  wchar_t Temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, Temp);
  const std::string DataDir = mvn::WideToUtf8(std::wstring(Temp) + L"Morvane demo\\");
  mvn::ForceDirectoriesU(DataDir);
  mvn::SetCustomDataDir(DataDir);

  mvn::TScheme Scheme;
  Scheme.Name = "Sample: Chinese-English City Names";
  Scheme.CsvFile = "sample_city_names.csv";
  if (!mvn::WriteFileBytesU(Scheme.CsvFullPath(), kSampleCsv)) {
    Print("cannot write " + Scheme.CsvFullPath() + "\n");
    return 1;
  }

  auto Book = std::make_shared<mvn::fake::TWorkbook>();
  Book->SetText(1, 1, "北京");
  Book->SetText(1, 2, "从上海到杭州");
  Book->SetNumber(1, 3, 42);
  Book->SetText(2, 1, "天津");
  Book->SetFormula(2, 2, "=A1", TValue::OfText("北京"));
  Book->SetText(2, 3, "成都 / 重庆");
  Book->SetText(5, 1, "南京路");
  Book->SetText(6, 1, "西安");
  Book->Select({TArea{1, 1, 2, 3}, TArea{5, 1, 2, 1}});
  const mvn::TAutoObject Excel(mvn::TComPtr<IDispatch>::Attach(mvn::fake::CreateApplication(Book)));

  Print("Scheme: " + Scheme.Name + "\nMapping: " + Scheme.CsvFullPath() + "\nSelection: A1:C2, A5:A6 (" +
        std::to_string(mvn::SelectionCellCount(Excel)) + " cells)\n");
  PrintSheet(*Book, "Before:");
  Book->ResetCalls();

  mvn::TReplaceOptions Options;
  Options.MatchMode = Scheme.MatchMode;
  const mvn::TReplaceReport Rep = mvn::ExecuteReplace(Excel, &Scheme, Options);

  PrintSheet(*Book, "After:");
  Print("\n" + mvn::FormatInt(mvn::TLang("app.areas"), Rep.Areas) + "\n" +
        mvn::FormatInt(mvn::TLang("app.cells_read"), Rep.CellsRead) + "\n" +
        mvn::FormatInt(mvn::TLang("app.cells_matched"), Rep.CellsMatched) + "\n" +
        mvn::FormatInt(mvn::TLang("app.cells_replaced"), Rep.CellsReplaced) + "\n");
  Print("Host calls: " + std::to_string(Book->CountCalls("Value2", mvn::fake::TCallKind::Get)) +
        " value reads, " + std::to_string(Book->CountCalls("Value2", mvn::fake::TCallKind::Put)) +
        " cell writes (the formula in B2 was spared)\n");
  return 0;
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  try {
    return Run();
  } catch (const mvn::Exception& E) {
    Print(std::string(E.ClassName()) + ": " + E.Message() + "\n");
  } catch (const std::exception& E) {
    Print(std::string("error: ") + E.what() + "\n");
  }
  return 1;
}
