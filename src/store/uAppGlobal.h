// The sample data a new installation starts with.
#pragma once
#include <optional>
#include <string>

#include "store/uScheme.h"

namespace mvn {

// The sample CSV's name in each language, so that a sample created in the
// other language is recognised too.
inline constexpr char SampleNameZh[] = "示例_地名中英替换.csv";
inline constexpr char SampleNameEn[] = "sample_city_names.csv";

// The sample CSV file in the current language: BOM, header, ten rows, every
// line ending with CR LF.
std::string SampleCsvBytes();

// What went wrong while writing the sample CSV; the caller shows it as an
// error dialog.
struct TSampleDataError {
  std::string Title;
  std::string Message;
};

// Writes the sample CSV into DataDir unless a sample in either language is
// already there, and, after a successful write into an empty list, adds the
// sample scheme and saves the list. A failure to write the CSV comes back
// as the result; an error while adding or saving the scheme is raised.
std::optional<TSampleDataError> CreateSampleData(TSchemeList& ASchemes);

}  // namespace mvn
