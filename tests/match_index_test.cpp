// The indexed matcher against the plain walk over the pairs.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/uComPtr.h"
#include "base/uUnicode.h"
#include "engine/uMatchIndex.h"
#include "engine/uReplace.h"
#include "engine/uStrUtil.h"
#include "engine/uUtils.h"
#include "support/TestRandom.h"

namespace mvn {
namespace {

using test::TRandom;

// What one cell gives, the way a run counts it.
struct TOutcome {
  bool Matched = false;
  bool Replaced = false;
  std::wstring NewText;  // when replaced: what the host is given
  bool operator==(const TOutcome& A) const {
    return Matched == A.Matched && Replaced == A.Replaced && NewText == A.NewText;
  }
};

// The steps of a run before the index: UTF-8 text, trimmed, MatchCell,
// compared byte for byte, converted for the host.
TOutcome ByWalk(const TMapping& AMapping, const VARIANT& AValue, TMatchMode AMode, bool ACaseSensitive, bool ATrim) {
  TOutcome Out;
  std::string Text = VariantToMatchText(AValue);
  if (ATrim) Text = Trim(Text);
  if (Text.empty()) return Out;
  std::string NewText;
  Out.Matched = MatchCell(AMapping.Srcs, AMapping.Tgts, Text, AMode, ACaseSensitive, NewText);
  Out.Replaced = Out.Matched && NewText != Text;
  if (Out.Replaced) Out.NewText = Ex(NewText);
  return Out;
}

TOutcome ByMatcher(const TCellMatcher& AMatcher, const VARIANT& AValue, bool ATrim) {
  TOutcome Out;
  std::wstring Buffer;
  const std::wstring_view Text = CellMatchText(AValue, ATrim, Buffer);
  if (Text.empty()) return Out;
  std::wstring NewText;
  const TCellMatch Result = AMatcher.Match(Text, NewText);
  Out.Matched = Result != cmNone;
  Out.Replaced = Result == cmChanged;
  if (Out.Replaced) Out.NewText = NewText;
  return Out;
}

std::string Show(const std::wstring& AText) { return WideToUtf8(AText); }

TVariant StringValue(const std::wstring& AText) { return TVariant::FromString(AText.data(), AText.size()); }

TMapping MakeMapping(const std::vector<std::pair<std::string, std::string>>& APairs) {
  TMapping Mapping;
  for (const auto& [Src, Tgt] : APairs) {
    Mapping.Srcs.push_back(Src);
    Mapping.Tgts.push_back(Tgt);
  }
  return Mapping;
}

// Texts the random cases are made of: letters whose lower case is another
// letter of the list (ASCII and not), a character outside the BMP, blanks,
// and a few bytes that are not UTF-8 (only ever in the mapping).
const std::vector<std::string> kPieces = {"a", "b", "c", "A", "B", "C", "ä", "Ä", "ß", "é", "É", "Σ", "σ", "ς",
                                          "中", "文", "İ", "😀", "\xEF\xBF\xBD", " ", "\t", "1", ".", "5"};
const std::vector<std::string> kInvalid = {"\xB8", "\xE4\xB8", "\xFF", "a\xC3", "\xED\xA0\x80"};

std::string RandomText(TRandom& ARandom, size_t AMaxPieces) {
  std::string Text;
  for (size_t N = ARandom.Below(AMaxPieces + 1); N > 0; --N) Text += ARandom.Pick(kPieces);
  return Text;
}

// Flips the case of ASCII letters at random.
std::string Recase(TRandom& ARandom, std::string AText) {
  for (char& C : AText)
    if (((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z')) && ARandom.Chance(50)) C ^= 0x20;
  return AText;
}

// Sources that overlap: prefixes, suffixes, inner parts and copies of earlier
// ones, recased, empty, blank-padded, now and then not UTF-8 at all.
TMapping RandomMapping(TRandom& ARandom, size_t APairs) {
  TMapping Mapping;
  for (size_t I = 0; I < APairs; ++I) {
    std::string Src;
    const size_t Kind = ARandom.Below(100);
    if (Kind < 30 && !Mapping.Srcs.empty()) {
      const std::string& Earlier = ARandom.Pick(Mapping.Srcs);
      const std::wstring W = Utf8ToWide(Earlier);
      const size_t From = ARandom.Below(W.size() + 1);
      Src = WideToUtf8(W.substr(From, ARandom.Below(W.size() - From + 1)));  // may split a surrogate pair
      if (ARandom.Chance(30)) Src = Recase(ARandom, Src);
    } else if (Kind < 35) {
      Src = "";
    } else if (Kind < 38) {
      Src = ARandom.Pick(kInvalid) + RandomText(ARandom, 1);
    } else {
      Src = RandomText(ARandom, 4);
    }
    std::string Tgt = ARandom.Chance(20) ? Src + RandomText(ARandom, 2) : RandomText(ARandom, 3);
    if (ARandom.Chance(3)) Tgt += ARandom.Pick(kInvalid);
    Mapping.Srcs.push_back(Src);
    Mapping.Tgts.push_back(Tgt);
  }
  return Mapping;
}

// Cells made of sources and loose pieces, now and then with an unpaired
// surrogate, a number or a truth value instead of a string.
TVariant RandomCell(TRandom& ARandom, const TMapping& AMapping) {
  const size_t Kind = ARandom.Below(100);
  if (Kind < 3) {
    TVariant V;
    VARIANT* Number = V.Put();
    Number->vt = VT_R8;
    Number->dblVal = ARandom.Chance(50) ? 1.5 : 15;
    return V;
  }
  if (Kind < 5) return TVariant::FromBool(ARandom.Chance(50));
  std::string Text;
  if (Kind < 25 && !AMapping.Srcs.empty()) {
    Text = Recase(ARandom, ARandom.Pick(AMapping.Srcs));  // whole-mode hits
  } else {
    for (size_t N = ARandom.Below(5); N > 0; --N)
      Text += ARandom.Chance(40) && !AMapping.Srcs.empty() ? Recase(ARandom, ARandom.Pick(AMapping.Srcs))
                                                          : RandomText(ARandom, 2);
  }
  if (ARandom.Chance(20)) Text = " " + Text + "\t ";
  std::wstring Wide = Utf8ToWide(Text);
  if (ARandom.Chance(5)) Wide.insert(ARandom.Below(Wide.size() + 1), 1, static_cast<wchar_t>(0xD83D));
  return StringValue(Wide);
}

TEST(MatchIndex, AgreesWithTheWalkOnRandomMappings) {
  TRandom Random(20260611);
  size_t Cells = 0;
  size_t Matched = 0;
  size_t Replaced = 0;
  for (int Round = 0; Round < 300; ++Round) {
    const TMapping Mapping = RandomMapping(Random, 1 + Random.Below(Round % 10 == 0 ? 400 : 30));
    std::vector<TVariant> Values;
    for (int C = 0; C < 40; ++C) Values.push_back(RandomCell(Random, Mapping));
    for (TMatchMode Mode : {mmWhole, mmPartial}) {
      for (bool CaseSensitive : {false, true}) {
        const auto Indexed = MakeIndexedMatcher(Mapping, Mode, CaseSensitive);
        for (bool Trim : {true, false}) {
          for (const TVariant& V : Values) {
            const TOutcome Want = ByWalk(Mapping, V.Value(), Mode, CaseSensitive, Trim);
            const TOutcome Got = ByMatcher(*Indexed, V.Value(), Trim);
            ++Cells;
            Matched += Want.Matched;
            Replaced += Want.Replaced;
            if (!(Want == Got)) {
              std::string Pairs;
              for (size_t I = 0; I < Mapping.Srcs.size(); ++I) Pairs += "[" + Mapping.Srcs[I] + "→" + Mapping.Tgts[I] + "]";
              ADD_FAILURE() << "round " << Round << (Mode == mmWhole ? " whole" : " partial")
                            << (CaseSensitive ? " case" : " nocase") << (Trim ? " trim" : "") << "\ncell "
                            << ValueToText(V.Value()) << "\nwalk " << Want.Matched << Want.Replaced << " "
                            << Show(Want.NewText) << "\nindex " << Got.Matched << Got.Replaced << " "
                            << Show(Got.NewText) << "\npairs " << Pairs;
              return;
            }
          }
        }
      }
    }
  }
  // The cases reach every outcome often enough to mean something.
  EXPECT_GT(Matched, Cells / 5);
  EXPECT_GT(Replaced, Cells / 10);
  EXPECT_GT(Matched - Replaced, Cells / 100);
}

struct TCase {
  std::vector<std::pair<std::string, std::string>> Pairs;
  TMatchMode Mode;
  bool CaseSensitive;
  std::string Cell;
  TCellMatch Result;
  std::string NewText;  // for cmChanged
};

TEST(MatchIndex, TheWalksRulesHold) {
  const std::vector<TCase> Cases = {
      // The first pair in CSV order that occurs wins, not the leftmost one.
      {{{"b", "X"}, {"a", "Y"}}, mmPartial, true, "ab", cmChanged, "aX"},
      {{{"ab", "X"}, {"abc", "Y"}}, mmPartial, true, "abc", cmChanged, "Xc"},
      {{{"abc", "Y"}, {"b", "X"}}, mmPartial, true, "xabcx", cmChanged, "xYx"},
      // A source found only through a failure link of a longer one.
      {{{"bcd", "1"}, {"c", "2"}}, mmPartial, true, "abce", cmChanged, "ab2e"},
      {{{"ab", "X"}, {"abc", "Y"}}, mmWhole, true, "abc", cmChanged, "Y"},
      {{{"aa", "b"}}, mmPartial, true, "aaa", cmChanged, "ba"},
      {{{"a", "aa"}}, mmPartial, true, "aXa", cmChanged, "aaXaa"},
      {{{"abc", "ABC"}}, mmWhole, false, "ABC", cmSame, ""},
      {{{"abc", "ABC"}}, mmWhole, false, "Abc", cmChanged, "ABC"},
      {{{"b", "X"}}, mmPartial, false, "aBc", cmChanged, "aXc"},
      {{{"B", "b"}}, mmPartial, false, "abB", cmChanged, "abb"},
      {{{"b", "b"}}, mmPartial, false, "ab", cmSame, ""},
      {{{"x", ""}}, mmWhole, true, "x", cmChanged, ""},
      {{{"x", ""}}, mmPartial, true, "xyx", cmChanged, "y"},
      {{{"", "never"}, {"y", "z"}}, mmPartial, true, "xyx", cmChanged, "xzx"},
      {{{"", "never"}}, mmWhole, true, "x", cmNone, ""},
      {{{"ABC", "d"}}, mmWhole, true, "abc", cmNone, ""},
      {{{"ÄÖ", "ae"}}, mmPartial, false, "xäöx", cmChanged, "xaex"},
      {{{"北京", "Beijing"}}, mmPartial, true, "北京市", cmChanged, "Beijing市"},
      {{{"true", "yes"}}, mmWhole, false, "True", cmChanged, "yes"},
      {{{"true", "yes"}}, mmWhole, true, "True", cmNone, ""},
      // A later duplicate never wins.
      {{{"a", "1"}, {"a", "2"}, {"A", "3"}}, mmPartial, false, "A", cmChanged, "1"},
      {{{"a", "1"}, {"a", "2"}}, mmWhole, true, "a", cmChanged, "1"},
      // Bytes that are not UTF-8 keep their place in CSV order. The walk
      // finds a lone continuation byte inside 中 (E4 B8 AD).
      {{{"\xB8", "?"}, {"中", "zh"}}, mmPartial, true, "中", cmChanged, "\xEF\xBF\xBD?\xEF\xBF\xBD"},
      {{{"\xFF", "?"}, {"中", "zh"}}, mmPartial, true, "中", cmChanged, "zh"},
      {{{"中", "\xFF"}}, mmWhole, true, "中", cmChanged, "\xEF\xBF\xBD"},
      // Such a target differs from every cell text, even from the U+FFFD it
      // is handed to the host as, and its pieces are converted together.
      {{{"\xEF\xBF\xBD", "\xFF"}}, mmWhole, true, "\xEF\xBF\xBD", cmChanged, "\xEF\xBF\xBD"},
      {{{"a", "\xB8\xAD\xE4"}}, mmPartial, true, "aa", cmChanged, "\xEF\xBF\xBD\xEF\xBF\xBD中\xEF\xBF\xBD"},
  };
  for (const TCase& C : Cases) {
    const TMapping Mapping = MakeMapping(C.Pairs);
    const auto Matcher = MakeCellMatcher(Mapping, C.Mode, C.CaseSensitive);
    std::wstring NewText;
    const std::wstring Cell = Utf8ToWide(C.Cell);
    EXPECT_EQ(Matcher->Match(std::wstring_view(Cell), NewText), C.Result) << C.Cell << " " << C.Pairs[0].first;
    if (C.Result == cmChanged) {
      EXPECT_EQ(Show(NewText), C.NewText) << C.Cell;
    }
    // The walk says the same.
    std::string WalkText;
    const bool WalkMatched = MatchCell(Mapping.Srcs, Mapping.Tgts, C.Cell, C.Mode, C.CaseSensitive, WalkText);
    EXPECT_EQ(WalkMatched, C.Result != cmNone) << C.Cell;
    if (C.Result == cmChanged) {
      EXPECT_EQ(Show(Ex(WalkText)), C.NewText) << C.Cell;
    } else if (C.Result == cmSame) {
      EXPECT_EQ(WalkText, C.Cell);
    }
  }
}

TEST(MatchIndex, CellTextIsTheTrimmedUTF16OfTheMatchText) {
  std::wstring Buffer;
  const TVariant Padded = StringValue(L" \t中 a\r\n");
  EXPECT_EQ(CellMatchText(Padded.Value(), true, Buffer), L"中 a");
  EXPECT_EQ(CellMatchText(Padded.Value(), false, Buffer), L" \t中 a\r\n");
  // An unpaired surrogate reads as U+FFFD, a pair stays.
  const wchar_t Lone[] = {L'a', 0xDC00, L'b', 0xD83D, 0xDE00};
  const TVariant Surrogates = StringValue(std::wstring(Lone, 5));
  const wchar_t Fixed[] = {L'a', 0xFFFD, L'b', 0xD83D, 0xDE00};
  EXPECT_EQ(CellMatchText(Surrogates.Value(), true, Buffer), std::wstring_view(Fixed, 5));
  EXPECT_EQ(CellMatchText(TVariant::FromBool(true).Value(), true, Buffer), L"True");
  EXPECT_EQ(CellMatchText(TVariant().Value(), true, Buffer), L"");
  TVariant Error;
  VARIANT* NA = Error.Put();
  NA->vt = VT_ERROR;
  NA->scode = static_cast<SCODE>(0x800A07FA);  // #N/A
  EXPECT_ANY_THROW(CellMatchText(Error.Value(), true, Buffer));
}

// The index relies on lower-casing keeping UTF-16 well formed: surrogates
// stay themselves and nothing else becomes one.
TEST(MatchIndex, LowerCasingKeepsSurrogatesApart) {
  for (unsigned U = 0; U < 65536; ++U) {
    const unsigned L = static_cast<unsigned short>(LowerUnit(static_cast<wchar_t>(U)));
    const bool Surrogate = (U & 0xF800u) == 0xD800u;
    if (Surrogate ? L != U : (L & 0xF800u) == 0xD800u) FAIL() << std::hex << U << " -> " << L;
  }
}

TEST(MatchIndex, StatsCountTheIndex) {
  const TMapping Mapping = MakeMapping({{"abc", "1"}, {"abd", "2"}, {"abc", "3"}, {"\xFF", "4"}, {"", "5"}});
  const TMatchIndexStats Partial = MatchIndexStats(*MakeIndexedMatcher(Mapping, mmPartial, true));
  EXPECT_EQ(Partial.Keys, 2u);
  EXPECT_EQ(Partial.States, 5u);  // root, a, ab, abc, abd
  EXPECT_EQ(Partial.Irregular, 1u);
  EXPECT_GT(Partial.Bytes, 0u);
  EXPECT_EQ(MatchIndexStats(*MakeIndexedMatcher(Mapping, mmWhole, false)).Keys, 2u);
  EXPECT_EQ(MatchIndexStats(*MakeWalkMatcher(Mapping, mmWhole, false)).Bytes, 0u);
}

}  // namespace
}  // namespace mvn
