// Batch Replace: applies one scheme's mapping to every cell of the selection.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/uExcept.h"
#include "engine/uExcelHost.h"
#include "store/uScheme.h"

namespace mvn {

struct TReplaceOptions {
  bool CaseSensitive = false;
  bool TrimBeforeMatch = true;
  TMatchMode MatchMode = mmPartial;
  bool ShowSummary = true;    // read by the command layer only
  bool ConfirmLarge = true;   // read by the command layer only
  int64_t MaxCells = 100000;  // the confirmation threshold
};

struct TReplaceReport {
  int64_t CellsRead = 0;
  int64_t CellsMatched = 0;
  int64_t CellsReplaced = 0;
  int32_t Areas = 0;
};

// The engine's error; its message is the whole text shown to the user.
class EReplaceError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EReplaceError"; }
};

// One pending write, 1-based within the area.
struct TChangeItem {
  int32_t Row;
  int32_t Col;
  std::string Text;
};

// The mapping of one run, in CSV order: trimmed sources, targets as written.
struct TMapping {
  std::vector<std::string> Srcs;
  std::vector<std::string> Tgts;
};

// Finds the first pair that matches a cell text and builds its new text.
class TCellMatcher {
 public:
  virtual ~TCellMatcher() = default;
  virtual bool Match(const std::string& ACellText, std::string& ANewText) const = 0;
};

// The plain walk over every pair: the first pair in CSV order whose
// (non-empty) source matches wins, and only that pair is applied.
bool MatchCell(const std::vector<std::string>& ASrcs, const std::vector<std::string>& ATgts,
               const std::string& ACellText, TMatchMode AMatchMode, bool ACaseSensitive, std::string& ANewText);

// Builds the matcher a run uses for a mapping and its options.
std::unique_ptr<TCellMatcher> MakeCellMatcher(const TMapping& AMapping, TMatchMode AMatchMode, bool ACaseSensitive);

// Reads the scheme's CSV into the mapping of a run; raises EReplaceError (or
// the CSV table's own error when the file cannot be read).
TMapping LoadSchemeMapping(const TScheme& AScheme);

// Runs one replacement over the whole selection. AScheme may be null.
TReplaceReport ExecuteReplace(const TAutoObject& AExcel, const TScheme* AScheme, const TReplaceOptions& AOptions);

// Cells in the selection, or -1 when there is none or it cannot be read.
int64_t SelectionCellCount(const TAutoObject& AExcel);

}  // namespace mvn
