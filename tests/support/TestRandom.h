// A small generator with a fixed seed, for tests and benchmarks that must
// see the same cases on every run. Header only: the benchmarks use it too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mvn::test {

class TRandom {
 public:
  explicit TRandom(uint64_t ASeed) : FState(ASeed) {}
  uint64_t Next() {
    uint64_t Z = (FState += 0x9E3779B97F4A7C15ull);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
    return Z ^ (Z >> 31);
  }
  size_t Below(size_t AN) { return static_cast<size_t>(Next() % AN); }
  size_t Between(size_t ALow, size_t AHigh) { return ALow + Below(AHigh - ALow + 1); }
  bool Chance(int APercent) { return Below(100) < static_cast<size_t>(APercent); }
  template <class T>
  const T& Pick(const std::vector<T>& AItems) {
    return AItems[Below(AItems.size())];
  }

 private:
  uint64_t FState;
};

}  // namespace mvn::test
