#include "engine/uMatchIndex.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/uUnicode.h"
#include "engine/uStrUtil.h"
#include "engine/uUtils.h"

namespace mvn {

namespace {

constexpr uint32_t kNone = UINT32_MAX;  // no pair, no state
constexpr size_t kUnits = 65536;

inline unsigned Unit(wchar_t AChar) { return static_cast<unsigned short>(AChar); }

template <bool Fold>
inline unsigned Key(wchar_t AChar, const wchar_t* AFold) {
  return Fold ? Unit(AFold[Unit(AChar)]) : Unit(AChar);
}

// AText[0, ALength) equals AKey, lower-casing AText when Fold (AKey is
// lower-cased already).
template <bool Fold>
inline bool UnitsEqual(const wchar_t* AText, const wchar_t* AKey, size_t ALength, const wchar_t* AFold) {
  for (size_t I = 0; I < ALength; ++I)
    if (Key<Fold>(AText[I], AFold) != Unit(AKey[I])) return false;
  return true;
}

template <class T>
size_t VectorBytes(const std::vector<T>& AVector) {
  return AVector.capacity() * sizeof(T);
}

// Appends the UTF-16 form of AText; false when that form does not convert
// back to the same bytes (AText is not valid UTF-8).
bool AppendWide(std::string_view AText, std::vector<wchar_t>& AOut) {
  if (std::all_of(AText.begin(), AText.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; })) {
    for (char C : AText) AOut.push_back(static_cast<wchar_t>(C));
    return true;
  }
  const std::wstring Wide = Utf8ToWide(AText);
  AOut.insert(AOut.end(), Wide.begin(), Wide.end());
  return WideToUtf8(Wide) == AText;
}

// The pairs in UTF-16, back to back: sources (lower-cased when case is
// ignored) and targets. A source is indexed when it is not empty and valid;
// the non-empty invalid ones are listed apart.
class TPairTexts {
 public:
  TPairTexts(const TMapping& AMapping, const wchar_t* AFold) {
    const size_t Count = std::min(AMapping.Srcs.size(), AMapping.Tgts.size());
    FStarts.reserve(Count + 1);
    FFlags.reserve(Count);
    FStarts.push_back({0, 0});
    for (size_t I = 0; I < Count; ++I) {
      const std::string& Src = AMapping.Srcs[I];
      uint8_t Flags = 0;
      if (!Src.empty()) {
        const size_t From = FSrcText.size();
        if (AppendWide(Src, FSrcText)) {
          Flags |= kIndexed;
          if (AFold)
            for (size_t K = From; K < FSrcText.size(); ++K) FSrcText[K] = AFold[Unit(FSrcText[K])];
        } else {
          FSrcText.resize(From);
          FIrregular.push_back(static_cast<uint32_t>(I));
        }
      }
      if (AppendWide(AMapping.Tgts[I], FTgtText)) Flags |= kTgtValid;
      FStarts.push_back({static_cast<uint32_t>(FSrcText.size()), static_cast<uint32_t>(FTgtText.size())});
      FFlags.push_back(Flags);
    }
    FSrcText.shrink_to_fit();
    FTgtText.shrink_to_fit();
  }

  uint32_t Count() const { return static_cast<uint32_t>(FFlags.size()); }
  bool Indexed(uint32_t I) const { return FFlags[I] & kIndexed; }
  bool TgtValid(uint32_t I) const { return FFlags[I] & kTgtValid; }
  std::wstring_view Src(uint32_t I) const {
    return std::wstring_view(FSrcText.data() + FStarts[I].Src, FStarts[I + 1].Src - FStarts[I].Src);
  }
  std::wstring_view Tgt(uint32_t I) const {
    return std::wstring_view(FTgtText.data() + FStarts[I].Tgt, FStarts[I + 1].Tgt - FStarts[I].Tgt);
  }
  // Pairs with a non-empty source that is not valid UTF-8, in CSV order.
  const std::vector<uint32_t>& Irregular() const { return FIrregular; }
  size_t Bytes() const {
    return VectorBytes(FSrcText) + VectorBytes(FTgtText) + VectorBytes(FStarts) + VectorBytes(FFlags) +
           VectorBytes(FIrregular);
  }

 private:
  static constexpr uint8_t kIndexed = 1;
  static constexpr uint8_t kTgtValid = 2;

  std::vector<wchar_t> FSrcText;
  std::vector<wchar_t> FTgtText;
  // Where each pair's texts begin, side by side: a matched pair's source and
  // target are found with one read.
  struct TStart {
    uint32_t Src;
    uint32_t Tgt;
  };
  std::vector<TStart> FStarts;
  std::vector<uint8_t> FFlags;
  std::vector<uint32_t> FIrregular;
};

class TIndexedMatcher : public TCellMatcher {
 public:
  TIndexedMatcher(const TMapping& AMapping, TMatchMode AMatchMode, bool ACaseSensitive)
      : FMapping(AMapping),
        FMatchMode(AMatchMode),
        FCaseSensitive(ACaseSensitive),
        FFold(LowerUnitTable()),
        FPairs(AMapping, ACaseSensitive ? nullptr : FFold) {}

  using TCellMatcher::Match;
  TCellMatch Match(std::wstring_view ACellText, std::wstring& ANewText) const final {
    const uint32_t Winner = Find(ACellText);
    // A pair the index cannot hold wins when it comes first and matches.
    const std::vector<uint32_t>& Irregular = FPairs.Irregular();
    if (!Irregular.empty() && Irregular.front() < Winner) {
      const std::string Text = WideToUtf8(ACellText);
      for (uint32_t I : Irregular) {
        if (I >= Winner) break;
        const TCellMatch Result = MatchOnBytes(I, Text, ANewText);
        if (Result != cmNone) return Result;
      }
    }
    if (Winner == kNone) return cmNone;
    if (!FPairs.TgtValid(Winner)) return MatchOnBytes(Winner, WideToUtf8(ACellText), ANewText);
    return Apply(Winner, ACellText, ANewText);
  }

  TMatchIndexStats Stats() const {
    TMatchIndexStats Stats = OwnStats();
    Stats.Bytes += FPairs.Bytes() + kUnits * sizeof(wchar_t);
    Stats.Irregular = FPairs.Irregular().size();
    return Stats;
  }

 protected:
  // The first indexed pair that matches, or kNone.
  virtual uint32_t Find(std::wstring_view ACellText) const = 0;
  // Applies that pair, whose texts are valid, in UTF-16.
  virtual TCellMatch Apply(uint32_t APair, std::wstring_view ACellText, std::wstring& ANewText) const = 0;
  virtual TMatchIndexStats OwnStats() const = 0;

  const TMapping& FMapping;
  const TMatchMode FMatchMode;
  const bool FCaseSensitive;
  const wchar_t* const FFold;
  const TPairTexts FPairs;

 private:
  TCellMatch MatchOnBytes(uint32_t APair, const std::string& AText, std::wstring& ANewText) const {
    std::string NewText;
    if (!MatchPair(FMapping.Srcs[APair], FMapping.Tgts[APair], AText, FMatchMode, FCaseSensitive, NewText))
      return cmNone;
    if (NewText == AText) return cmSame;
    ANewText = Utf8ToWide(NewText);
    return cmChanged;
  }
};

// Whole mode: open addressing from the (lower-cased) source to the first pair
// that has it.
class TWholeMatcher final : public TIndexedMatcher {
 public:
  TWholeMatcher(const TMapping& AMapping, bool ACaseSensitive) : TIndexedMatcher(AMapping, mmWhole, ACaseSensitive) {
    size_t Indexed = 0;
    for (uint32_t I = 0; I < FPairs.Count(); ++I) Indexed += FPairs.Indexed(I);
    size_t Capacity = 16;
    while (Capacity < 2 * Indexed) Capacity *= 2;
    FSlots.assign(Capacity, TSlot{0, kNone});
    FMask = static_cast<uint32_t>(Capacity - 1);
    for (uint32_t I = 0; I < FPairs.Count(); ++I) {
      if (!FPairs.Indexed(I)) continue;
      const std::wstring_view Src = FPairs.Src(I);
      const uint32_t Hash = HashOf<false>(Src);  // stored lower-cased already
      for (uint32_t At = Hash & FMask;; At = (At + 1) & FMask) {
        TSlot& Slot = FSlots[At];
        if (Slot.Pair == kNone) {
          Slot = {Hash, I};
          ++FKeys;
          break;
        }
        if (Slot.Hash == Hash && FPairs.Src(Slot.Pair) == Src) break;  // an earlier pair has it
      }
    }
  }

 protected:
  uint32_t Find(std::wstring_view ACellText) const override {
    return FCaseSensitive ? Lookup<false>(ACellText) : Lookup<true>(ACellText);
  }

  TCellMatch Apply(uint32_t APair, std::wstring_view ACellText, std::wstring& ANewText) const override {
    const std::wstring_view Tgt = FPairs.Tgt(APair);
    if (Tgt == ACellText) return cmSame;
    ANewText.assign(Tgt);
    return cmChanged;
  }

  TMatchIndexStats OwnStats() const override {
    TMatchIndexStats Stats;
    Stats.Bytes = VectorBytes(FSlots);
    Stats.Keys = FKeys;
    return Stats;
  }

 private:
  struct TSlot {
    uint32_t Hash;
    uint32_t Pair;  // kNone: free
  };

  template <bool Fold>
  uint32_t HashOf(std::wstring_view AText) const {
    uint64_t Hash = 0xCBF29CE484222325ull ^ AText.size();
    for (wchar_t C : AText) Hash = (Hash ^ Key<Fold>(C, FFold)) * 0x100000001B3ull;
    Hash ^= Hash >> 32;
    return static_cast<uint32_t>(Hash);
  }

  template <bool Fold>
  uint32_t Lookup(std::wstring_view ACellText) const {
    const uint32_t Hash = HashOf<Fold>(ACellText);
    for (uint32_t At = Hash & FMask;; At = (At + 1) & FMask) {
      const TSlot& Slot = FSlots[At];
      if (Slot.Pair == kNone) return kNone;
      if (Slot.Hash != Hash) continue;
      const std::wstring_view Src = FPairs.Src(Slot.Pair);
      if (Src.size() == ACellText.size() && UnitsEqual<Fold>(ACellText.data(), Src.data(), Src.size(), FFold))
        return Slot.Pair;
    }
  }

  std::vector<TSlot> FSlots;
  uint32_t FMask = 0;
  size_t FKeys = 0;
};

// Partial mode: an automaton over the (lower-cased) sources. Units are first
// mapped to classes (0 for a unit that occurs in no source, which sends the
// walk back to the root). Best of a state is the smallest pair among the
// sources that end there or at any state of its failure chain, so the
// minimum over one pass is the first pair in CSV order whose source occurs.
//
// A large mapping makes an automaton far larger than the caches, and below
// its first two or three levels it is almost all chains of single children.
// So states are numbered depth first (a state's first child is the next
// record, and a chain is a run of consecutive records that the walk reads in
// order), and a state with one child keeps that child's class in its own
// record; only states with several children have an edge list, sorted by
// class, or a row by class when they have many. The root's edges are a plain
// table.
//
// Plain text keeps an automaton a few units deep all the time. So a first
// pass marks the positions where some source may begin: a bit set over the
// first units of the sources (hashed, so a pass may be wrong, a refusal never
// is), looked up with the next units of the text. The trie is then read down
// from each marked position alone (FindFromStarts). The automaton, kept for
// text that would make those reads long, stays at the root across unmarked
// positions, and drops a state whose text began at an unmarked position for
// its failure state: no source can run through it.
class TPartialMatcher final : public TIndexedMatcher {
 public:
  TPartialMatcher(const TMapping& AMapping, bool ACaseSensitive)
      : TIndexedMatcher(AMapping, mmPartial, ACaseSensitive) {
    // Distinct sources in order, each with its first pair.
    std::vector<uint32_t> Keys;
    for (uint32_t I = 0; I < FPairs.Count(); ++I)
      if (FPairs.Indexed(I)) Keys.push_back(I);
    std::sort(Keys.begin(), Keys.end(), [this](uint32_t A, uint32_t B) {
      const int Order = FPairs.Src(A).compare(FPairs.Src(B));
      return Order < 0 || (Order == 0 && A < B);
    });
    Keys.erase(std::unique(Keys.begin(), Keys.end(),
                           [this](uint32_t A, uint32_t B) { return FPairs.Src(A) == FPairs.Src(B); }),
               Keys.end());
    FKeys = Keys.size();
    for (uint32_t K : Keys) FFirstPair = std::min(FFirstPair, K);

    BuildClasses(Keys);
    BuildTrie(Keys);
    BuildFailLinks();
    BuildStartBits(Keys);
    BuildRows();
    FUnitClass = {};
  }

 protected:
  uint32_t Find(std::wstring_view ACellText) const override {
    const size_t Length = ACellText.size();
    thread_local std::vector<uint32_t> Classes;
    thread_local std::vector<uint8_t> Starts;
    Classes.resize(Length + 1);
    Starts.resize(Length + 1);
    for (size_t I = 0; I < Length; ++I) Classes[I] = FClassOf[Unit(ACellText[I])];
    Classes[Length] = 0;
    MarkStarts(Classes.data(), Length, Starts.data());
    uint32_t Best = kNone;
    if (!FindFromStarts(Classes.data(), Length, Starts.data(), Best))
      Best = FindByAutomaton(Classes.data(), Length, Starts.data());
    return Best;
  }

  TCellMatch Apply(uint32_t APair, std::wstring_view ACellText, std::wstring& ANewText) const override {
    return FCaseSensitive ? ReplaceAll<false>(APair, ACellText, ANewText) : ReplaceAll<true>(APair, ACellText, ANewText);
  }

  TMatchIndexStats OwnStats() const override {
    TMatchIndexStats Stats;
    Stats.Bytes = VectorBytes(FClassOf) + VectorBytes(FRootNext) + VectorBytes(FStates) + VectorBytes(FLists) +
                  VectorBytes(FEdges) + VectorBytes(FStartBits) + VectorBytes(FRows);
    Stats.Keys = FKeys;
    Stats.States = FStates.size();
    return Stats;
  }

 private:
  // One record per state, 16 bytes, so that a chain fills cache lines.
  struct TState {
    uint32_t Edge;  // 0: no child; a class: one child, the next state; kList | I: FLists[I]
    uint32_t Fail;
    uint32_t Best;
    uint32_t Depth;
  };
  struct TList {
    uint32_t First;  // in FEdges, or in FRows for a row
    uint32_t Count;  // kRow: a row
  };
  struct TEdge {
    uint32_t Class;
    uint32_t Target;
  };
  static constexpr uint32_t kList = 0x80000000u;  // above every class
  static constexpr uint32_t kRow = kNone;

  // Classes follow the order of the units, so sorted sources give children
  // in the order of their classes.
  void BuildClasses(const std::vector<uint32_t>& AKeys) {
    FUnitClass.assign(kUnits, 0);
    for (uint32_t K : AKeys)
      for (wchar_t C : FPairs.Src(K)) FUnitClass[Unit(C)] = 1;
    uint32_t Classes = 0;
    for (uint32_t& Class : FUnitClass)
      if (Class) Class = ++Classes;
    FClassOf.resize(kUnits);
    for (unsigned U = 0; U < kUnits; ++U)
      FClassOf[U] = FUnitClass[FCaseSensitive ? U : Unit(FFold[U])];
    FRootNext.assign(Classes + 1, 0);
  }

  // The sorted sources one after another: each shares a prefix with the one
  // before and adds states for the rest, which numbers the states depth
  // first. The edges are set afterwards from each state's parent.
  void BuildTrie(const std::vector<uint32_t>& AKeys) {
    size_t Units = 1;
    for (uint32_t K : AKeys) Units += FPairs.Src(K).size();
    FStates.reserve(Units);
    std::vector<uint32_t> Parent;  // of every state
    std::vector<uint32_t> Class;   // of the edge into every state
    Parent.reserve(Units);
    Class.reserve(Units);
    FStates.push_back({0, 0, kNone, 0});
    Parent.push_back(0);
    Class.push_back(0);
    std::vector<uint32_t> Path{0};  // the states along the previous source
    std::wstring_view Prev;
    for (uint32_t K : AKeys) {
      const std::wstring_view Src = FPairs.Src(K);
      size_t Shared = 0;
      while (Shared < Prev.size() && Shared < Src.size() && Prev[Shared] == Src[Shared]) ++Shared;
      Path.resize(Shared + 1);
      for (size_t D = Shared; D < Src.size(); ++D) {
        Path.push_back(static_cast<uint32_t>(FStates.size()));
        FStates.push_back({0, 0, kNone, static_cast<uint32_t>(D + 1)});
        Parent.push_back(Path[D]);
        Class.push_back(FUnitClass[Unit(Src[D])]);
      }
      FStates[Path.back()].Best = K;
      Prev = Src;
    }
    FStates.shrink_to_fit();
    SetEdges(Parent, Class);
  }

  void SetEdges(const std::vector<uint32_t>& AParent, const std::vector<uint32_t>& AClass) {
    std::vector<uint32_t> Children(FStates.size(), 0);
    for (uint32_t S = 1; S < FStates.size(); ++S) ++Children[AParent[S]];
    uint32_t Edges = 0;
    for (uint32_t S = 1; S < FStates.size(); ++S) {
      if (Children[S] < 2) continue;
      FStates[S].Edge = kList | static_cast<uint32_t>(FLists.size());
      FLists.push_back({Edges, 0});
      Edges += Children[S];
    }
    FEdges.resize(Edges);
    for (uint32_t S = 1; S < FStates.size(); ++S) {
      const uint32_t P = AParent[S];
      if (P == 0) {
        FRootNext[AClass[S]] = S;
      } else if (Children[P] == 1) {
        FStates[P].Edge = AClass[S];  // S is P + 1
      } else {
        TList& List = FLists[FStates[P].Edge & ~kList];
        FEdges[List.First + List.Count++] = {AClass[S], S};
      }
    }
  }

  // Calls AVisit(Class, Target) for every child of a state other than the
  // root, before rows are made.
  template <class TVisit>
  void ForEachChild(uint32_t AState, TVisit AVisit) const {
    const uint32_t Edge = FStates[AState].Edge;
    if (Edge == 0) return;
    if (!(Edge & kList)) return AVisit(Edge, AState + 1);
    const TList& List = FLists[Edge & ~kList];
    for (uint32_t E = List.First; E < List.First + List.Count; ++E) AVisit(FEdges[E].Class, FEdges[E].Target);
  }

  // Breadth first, so that every state comes after its failure target, whose
  // Best is therefore final when it is read.
  void BuildFailLinks() {
    std::vector<uint32_t> Queue;
    Queue.reserve(FStates.size());
    for (uint32_t Target : FRootNext)
      if (Target) Queue.push_back(Target);  // failure: the root
    for (size_t Head = 0; Head < Queue.size(); ++Head) {
      const uint32_t S = Queue[Head];
      ForEachChild(S, [&](uint32_t AClass, uint32_t ATarget) {
        const uint32_t Fail = Next(FStates[S].Fail, AClass);
        TState& Child = FStates[ATarget];
        Child.Fail = Fail;
        Child.Best = std::min(Child.Best, FStates[Fail].Best);
        Queue.push_back(ATarget);
      });
    }
  }

  // Marked positions are few, and the sources that run from one rarely go
  // deeper than two or three units, so reading the trie down from each of
  // them touches fewer scattered states than the automaton's failure chains,
  // and the reads from different positions do not wait for each other. Best
  // of a state counts sources that end inside the text read, so any state
  // reached gives a source that occurs. Text that keeps the reads deep (long
  // sources repeated in the text) could cost the length of the text times
  // that of the sources: past a budget in proportion to the text this gives
  // up (false), and the automaton, linear in the text, answers instead.
  bool FindFromStarts(const uint32_t* AClasses, size_t ALength, const uint8_t* AStarts, uint32_t& ABest) const {
    const TState* States = FStates.data();
    size_t Budget = 8 * ALength + 64;
    for (size_t I = 0; I < ALength; ++I) {
      if (!AStarts[I] || AClasses[I] == 0) continue;
      uint32_t State = FRootNext[AClasses[I]];
      for (size_t J = I + 1;; ++J) {
        if (States[State].Best < ABest) {
          ABest = States[State].Best;
          if (ABest == FFirstPair) return true;  // nothing comes before it
        }
        if (AClasses[J] == 0) break;  // a unit in no source, or the end
        if (Budget-- == 0) return false;
        State = Child(State, AClasses[J]);
        if (State == kNone) break;
      }
    }
    return true;
  }

  // One pass of the automaton over the text.
  uint32_t FindByAutomaton(const uint32_t* AClasses, size_t ALength, const uint8_t* AStarts) const {
    const TState* States = FStates.data();
    uint32_t State = 0;
    uint32_t Best = kNone;
    for (size_t I = 0; I < ALength; ++I) {
      if (State == 0 && !AStarts[I]) continue;
      const uint32_t Class = AClasses[I];
      if (Class == 0) {
        State = 0;
        continue;
      }
      State = Next(State, Class);
      while (State != 0 && !AStarts[I + 1 - States[State].Depth]) State = States[State].Fail;
      if (States[State].Best < Best) {
        Best = States[State].Best;
        if (Best == FFirstPair) break;  // nothing comes before it
      }
    }
    return Best;
  }

  // The grams of the start filter: the first kGram classes of the sources
  // that long, and the whole of the shorter ones, whose lengths are listed.
  // Each gram sets three bits of one word (16 bits a source): a gram that
  // begins no source passes only when it finds all three set, far more
  // rarely than it would find one bit of its own set. The word costs one
  // read, as the bit did.
  void BuildStartBits(const std::vector<uint32_t>& AKeys) {
    bool Lengths[kGram + 1] = {};
    for (uint32_t K : AKeys) Lengths[std::min<size_t>(FPairs.Src(K).size(), kGram)] = true;
    for (unsigned L = 1; L <= kGram; ++L)
      if (Lengths[L]) FGramLengths.push_back(L);
    unsigned Bits = 9;
    while (Bits < 23 && (size_t(1) << Bits) < 16 * AKeys.size()) ++Bits;
    FStartShift = 64 - (Bits - 6);
    FStartBits.assign((size_t(1) << Bits) / 64, 0);
    uint32_t Gram[kGram];
    for (uint32_t K : AKeys) {
      const std::wstring_view Src = FPairs.Src(K);
      const size_t Length = std::min<size_t>(Src.size(), kGram);
      for (size_t I = 0; I < Length; ++I) Gram[I] = FUnitClass[Unit(Src[I])];
      const uint64_t Hash = GramHash(Gram, Length);
      FStartBits[Hash >> FStartShift] |= GramMask(Hash);
    }
  }

  static uint64_t GramHash(const uint32_t* AClasses, size_t ALength) {
    uint64_t Hash = ALength * 0x85EBCA77C2B2AE63ull;
    for (size_t I = 0; I < ALength; ++I) Hash = (Hash ^ AClasses[I]) * 0x9E3779B97F4A7C15ull;
    return Hash ^ (Hash >> 29);
  }

  // The gram's three bits in its word: from the low bits, the word's index
  // being the top ones.
  static uint64_t GramMask(uint64_t AHash) {
    return (uint64_t(1) << (AHash & 63)) | (uint64_t(1) << ((AHash >> 6) & 63)) | (uint64_t(1) << ((AHash >> 12) & 63));
  }

  // Starts[I] is false when no source can begin at I. AClasses ends with a 0.
  void MarkStarts(const uint32_t* AClasses, size_t ALength, uint8_t* AStarts) const {
    size_t Run = 0;  // classes other than 0 from I on, up to kGram
    for (size_t I = ALength; I-- > 0;) {
      Run = AClasses[I] ? std::min(Run + 1, kGram) : 0;
      uint8_t May = 0;
      for (unsigned L : FGramLengths) {
        if (L > Run) break;
        const uint64_t Hash = GramHash(AClasses + I, L);
        const uint64_t Mask = GramMask(Hash);
        if ((FStartBits[Hash >> FStartShift] & Mask) == Mask) {
          May = 1;
          break;
        }
      }
      AStarts[I] = May;
    }
  }

  // A state with many edges (at least a sixteenth of the classes, so its row
  // takes at most eight times the room of its edges) gets a row by class.
  void BuildRows() {
    const size_t Width = FRootNext.size();
    for (TList& List : FLists) {
      if (List.Count * size_t(16) < Width || List.Count <= 16) continue;
      const size_t Row = FRows.size();
      FRows.resize(Row + Width, kNone);
      for (uint32_t E = List.First; E < List.First + List.Count; ++E) FRows[Row + FEdges[E].Class] = FEdges[E].Target;
      List.First = static_cast<uint32_t>(Row);
      List.Count = kRow;
    }
    FRows.shrink_to_fit();
  }

  uint32_t Child(uint32_t AState, uint32_t AClass) const {
    const uint32_t Edge = FStates[AState].Edge;
    if (!(Edge & kList)) return Edge == AClass ? AState + 1 : kNone;  // Edge 0 is no class
    const TList& List = FLists[Edge & ~kList];
    if (List.Count == kRow) return FRows[List.First + AClass];
    const TEdge* First = FEdges.data() + List.First;
    const TEdge* Last = First + List.Count;
    if (List.Count > 16) {
      First = std::lower_bound(First, Last, AClass, [](const TEdge& E, uint32_t C) { return E.Class < C; });
      return First != Last && First->Class == AClass ? First->Target : kNone;
    }
    for (; First != Last; ++First)
      if (First->Class == AClass) return First->Target;
    return kNone;
  }

  // The state after reading a unit of class AClass (not 0) in AState.
  uint32_t Next(uint32_t AState, uint32_t AClass) const {
    for (; AState != 0; AState = FStates[AState].Fail) {
      const uint32_t Target = Child(AState, AClass);
      if (Target != kNone) return Target;
    }
    return FRootNext[AClass];
  }

  // The walk of UTF8ReplaceAll*: occurrences left to right without overlap,
  // inserted text never searched again, the rest kept as it is.
  template <bool Fold>
  TCellMatch ReplaceAll(uint32_t APair, std::wstring_view AText, std::wstring& ANewText) const {
    const std::wstring_view Old = FPairs.Src(APair);
    const std::wstring_view New = FPairs.Tgt(APair);
    const size_t Length = Old.size();
    ANewText.clear();
    size_t From = 0;
    for (size_t At = 0; At + Length <= AText.size();) {
      if (UnitsEqual<Fold>(AText.data() + At, Old.data(), Length, FFold)) {
        ANewText.append(AText.substr(From, At - From));
        ANewText.append(New);
        At += Length;
        From = At;
      } else {
        ++At;
      }
    }
    ANewText.append(AText.substr(From));
    return std::wstring_view(ANewText) == AText ? cmSame : cmChanged;
  }

  std::vector<uint32_t> FUnitClass;  // while building: class of a lower-cased unit
  std::vector<uint32_t> FClassOf;    // class of a cell's unit
  std::vector<uint32_t> FRootNext;   // the root's edges, by class
  std::vector<TState> FStates;      // depth first
  std::vector<TList> FLists;        // of the states with several children
  std::vector<TEdge> FEdges;
  std::vector<uint32_t> FRows;      // rows of kNone or a state, by class
  static constexpr size_t kGram = 4;
  std::vector<unsigned> FGramLengths;  // ascending
  std::vector<uint64_t> FStartBits;    // grams that may begin a source
  unsigned FStartShift = 64;          // of a gram's hash: its word
  size_t FKeys = 0;
  uint32_t FFirstPair = kNone;
};

}  // namespace

std::unique_ptr<TCellMatcher> MakeIndexedMatcher(const TMapping& AMapping, TMatchMode AMatchMode, bool ACaseSensitive) {
  if (AMatchMode == mmWhole) return std::make_unique<TWholeMatcher>(AMapping, ACaseSensitive);
  return std::make_unique<TPartialMatcher>(AMapping, ACaseSensitive);
}

TMatchIndexStats MatchIndexStats(const TCellMatcher& AMatcher) {
  const auto* Indexed = dynamic_cast<const TIndexedMatcher*>(&AMatcher);
  return Indexed ? Indexed->Stats() : TMatchIndexStats{};
}

}  // namespace mvn
