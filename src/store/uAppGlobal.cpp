#include "store/uAppGlobal.h"

#include "base/uExcept.h"
#include "base/uText.h"
#include "i18n/uTranslator.h"
#include "store/uUtils.h"
#include "store/uWinFile.h"

namespace mvn {

namespace {

struct TSampleRow {
  const char* Source;
  const char* Target;
};

constexpr TSampleRow CSampleRows[] = {
    {"北京", "Beijing"},  {"上海", "Shanghai"}, {"广州", "Guangzhou"}, {"深圳", "Shenzhen"}, {"杭州", "Hangzhou"},
    {"成都", "Chengdu"}, {"武汉", "Wuhan"},     {"西安", "XiAn"},      {"南京", "Nanjing"},  {"重庆", "Chongqing"},
};

}  // namespace

std::string SampleCsvBytes() {
  std::string Bytes = "\xEF\xBB\xBF";
  Bytes += TLang("app.sample_header");
  Bytes += "\r\n";
  for (const TSampleRow& Row : CSampleRows) {
    Bytes += Row.Source;
    Bytes += ',';
    Bytes += Row.Target;
    Bytes += "\r\n";
  }
  return Bytes;
}

std::optional<TSampleDataError> CreateSampleData(TSchemeList& ASchemes) {
  const std::string Dir = DataDir();
  if (FileExistsU(Dir + SampleNameZh) || FileExistsU(Dir + SampleNameEn)) return std::nullopt;

  const std::string SamplePath = Dir + TLang("app.sample_csv");
  try {
    if (!WriteFileBytesU(SamplePath, SampleCsvBytes()))
      return TSampleDataError{TLang("gl.sample_fail_title"), FormatStr(TLang("gl.sample_fail_write"), SamplePath)};
  } catch (...) {
    return TSampleDataError{TLang("gl.sample_fail_title"), DescribeCurrentException().Message};
  }

  if (ASchemes.Count() == 0) {
    TScheme& Sample = ASchemes.Add();
    Sample.Name = TLang("app.sample_name");
    Sample.Description = TLang("app.sample_desc");
    Sample.CsvFile = TLang("app.sample_csv");
    Sample.HasHeader = true;
    Sample.SourceColumn = 1;
    Sample.TargetColumn = 2;
    Sample.MatchMode = mmPartial;
    Sample.Path = TLang("app.sample_path");
    // A failed save keeps the scheme in memory; the list is saved again when
    // the module unloads.
    ASchemes.Save();
  }
  return std::nullopt;
}

}  // namespace mvn
