// Matching cell texts against a mapping through an index built once per run:
// the answers of MatchCell's walk over the pairs, at a cost per cell that
// does not grow with the number of pairs.
//
// Whole mode looks the (lower-cased) cell text up in a hash of the sources.
// Partial mode runs the cell once through a multi-pattern automaton over the
// (lower-cased) sources, in which every state knows the smallest pair index
// among the sources ending there; that pair is the one the walk would pick,
// and its occurrences are then replaced as the walk does. Lower-casing is the
// one-unit-to-one mapping of LowerUnit, so positions in UTF-16 stay put.
//
// Work is done in UTF-16. A source or target that does not survive the round
// trip UTF-8 -> UTF-16 -> UTF-8 unchanged (possible only for bytes that are
// not valid UTF-8) cannot be put into those terms; such pairs are answered by
// MatchPair on the UTF-8 text, in their place in CSV order.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "engine/uReplace.h"

namespace mvn {

// The indexed matcher; the mapping must outlive it.
std::unique_ptr<TCellMatcher> MakeIndexedMatcher(const TMapping& AMapping, TMatchMode AMatchMode, bool ACaseSensitive);

// What an indexed matcher holds, counted from its structures (zeros for any
// other matcher).
struct TMatchIndexStats {
  size_t Bytes = 0;      // every array of the index, the lower-case table included
  size_t Keys = 0;       // distinct sources in the hash or the automaton
  size_t States = 0;     // automaton states (partial mode)
  size_t Irregular = 0;  // pairs answered on their UTF-8 bytes
};
TMatchIndexStats MatchIndexStats(const TCellMatcher& AMatcher);

}  // namespace mvn
