// The indexed matcher on text that keeps its reads deep in the sources: long
// sources made of one repeated unit, and cells that repeat it far longer.
// Such cells run out of the budget of reading down from every start, so the
// answer comes from the automaton; it must still be the walk's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/uUnicode.h"
#include "engine/uMatchIndex.h"
#include "engine/uReplace.h"

namespace mvn {
namespace {

struct TDeepCase {
  std::vector<std::pair<std::string, std::string>> Pairs;
  std::string Cell;
};

TEST(MatchIndexDepth, RepeatedUnitsGiveTheWalksAnswer) {
  const std::string A40(40, 'a');
  const std::string A500(500, 'a');
  const std::vector<TDeepCase> Cases = {
      {{{A40 + "b", "X"}}, A500},                             // nothing occurs
      {{{A40 + "b", "X"}, {"aa", "Y"}}, A500 + "b"},          // the first pair, at the very end
      {{{"c", "X"}, {A40, "Y"}, {"a", "Z"}}, A500 + "c"},     // the first pair, after the deep reads
      {{{A40 + "b", "X"}, {A40, "Y"}}, "x" + A500 + "x"},     // the second pair
      {{{"\xE4\xB8\xAD" + A40, "X"}}, "\xE4\xB8\xAD" + A500},  // one deep read, within the budget
  };
  for (bool CaseSensitive : {true, false}) {
    for (const TDeepCase& C : Cases) {
      TMapping Mapping;
      for (const auto& [Src, Tgt] : C.Pairs) {
        Mapping.Srcs.push_back(Src);
        Mapping.Tgts.push_back(Tgt);
      }
      std::string Want;
      const bool WalkMatched = MatchCell(Mapping.Srcs, Mapping.Tgts, C.Cell, mmPartial, CaseSensitive, Want);
      std::string Got;
      const bool Matched = MakeIndexedMatcher(Mapping, mmPartial, CaseSensitive)->Match(C.Cell, Got);
      EXPECT_EQ(Matched, WalkMatched) << C.Pairs[0].first << " in " << C.Cell.size() << " units";
      if (Matched && WalkMatched) {
        EXPECT_EQ(Got, Want) << C.Pairs[0].first;
      }
    }
  }
}

}  // namespace
}  // namespace mvn
