// Batch Replace: applies one scheme's mapping to every cell of the selection.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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

// One pending write, 1-based within the area; the text as the host takes it.
struct TChangeItem {
  int32_t Row;
  int32_t Col;
  std::wstring Text;
};

// The mapping of one run, in CSV order: trimmed sources, targets as written.
struct TMapping {
  std::vector<std::string> Srcs;
  std::vector<std::string> Tgts;
};

// What matching one cell gave: no pair matched; a pair matched and the new
// text equals the text byte for byte in UTF-8; or it differs.
enum TCellMatch { cmNone, cmSame, cmChanged };

// Finds the first pair that matches a cell text and builds its new text, with
// the answers of MatchCell.
class TCellMatcher {
 public:
  virtual ~TCellMatcher() = default;
  // ACellText is the cell's text in UTF-16 as CellMatchText gives it: not
  // empty, no unpaired surrogate. ANewText is set for cmChanged only, to the
  // text the host is given (MatchCell's new text converted to UTF-16).
  virtual TCellMatch Match(std::wstring_view ACellText, std::wstring& ANewText) const = 0;
  // The same for a text in (valid) UTF-8: true when a pair matched; the new
  // text is the UTF-8 of what the host would be given.
  bool Match(const std::string& ACellText, std::string& ANewText) const;
};

// The plain walk over every pair: the first pair in CSV order whose
// (non-empty) source matches wins, and only that pair is applied.
bool MatchCell(const std::vector<std::string>& ASrcs, const std::vector<std::string>& ATgts,
               const std::string& ACellText, TMatchMode AMatchMode, bool ACaseSensitive, std::string& ANewText);
// One step of that walk: whether the pair's non-empty source matches, and the
// new text when it does.
bool MatchPair(const std::string& ASrc, const std::string& ATgt, const std::string& ACellText, TMatchMode AMatchMode,
               bool ACaseSensitive, std::string& ANewText);

// Builds the matcher a run uses for a mapping and its options: an index
// built once (engine/uMatchIndex.h). The mapping must outlive the matcher.
std::unique_ptr<TCellMatcher> MakeCellMatcher(const TMapping& AMapping, TMatchMode AMatchMode, bool ACaseSensitive);
// The matcher that runs MatchCell on every cell; the reference for the index.
std::unique_ptr<TCellMatcher> MakeWalkMatcher(const TMapping& AMapping, TMatchMode AMatchMode, bool ACaseSensitive);

// Reads the scheme's CSV into the mapping of a run; raises EReplaceError (or
// the CSV table's own error when the file cannot be read).
TMapping LoadSchemeMapping(const TScheme& AScheme);

// Runs one replacement over the whole selection. AScheme may be null.
TReplaceReport ExecuteReplace(const TAutoObject& AExcel, const TScheme* AScheme, const TReplaceOptions& AOptions);

// Cells in the selection, or -1 when there is none or it cannot be read.
int64_t SelectionCellCount(const TAutoObject& AExcel);

}  // namespace mvn
