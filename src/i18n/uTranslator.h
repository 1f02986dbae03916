// Message catalogue: every text the user sees, in Simplified Chinese and in
// English, looked up by a short ASCII key. The language is chosen once, when
// the translator is created, and never changes afterwards.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace mvn {

enum TLocale { loZh = 0, loEn = 1 };

// The registry value HKCU\SOFTWARE\Morvane\Locale, when it is exactly "zh" or
// "en", decides; anything else (or nothing) defers to the Windows user
// language, Chinese in any variant giving loZh.
TLocale DetectLocale();

class TTranslator {
public:
  TTranslator();  // language from DetectLocale
  explicit TTranslator(TLocale ALocale);

  // The text of AKey (compared exactly, case included); an unknown key comes
  // back unchanged so that a missing text shows up as its key.
  std::string T(std::string_view AKey) const;
  TLocale Locale() const noexcept { return FLocale; }

private:
  TLocale FLocale;
};

// The module-wide translator: created at module load, freed at unload.
// TLang and LocaleCode recreate it on demand, so lookups made during unload
// still work.
void EnsureTranslator();
void FreeTranslator();

// The text of AKey in the current language; never throws.
std::string TLang(std::string_view AKey);
// "zh" or "en".
std::string LocaleCode();

// The catalogue in its fixed order, for tests and tools. Out-of-range
// indexes give nullptr.
size_t CatalogueCount();
const char* CatalogueKey(size_t AIndex);
const char* CatalogueZh(size_t AIndex);
const char* CatalogueEn(size_t AIndex);

}  // namespace mvn
