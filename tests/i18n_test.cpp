#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "i18n/uTranslator.h"

namespace mvn {
namespace {

// --- Catalogue ------------------------------------------------------------

TEST(Catalogue, HasEveryKeyOnceWithBothTexts) {
  ASSERT_EQ(CatalogueCount(), 139u);
  std::set<std::string> Seen;
  for (size_t I = 0; I < CatalogueCount(); ++I) {
    SCOPED_TRACE(I);
    ASSERT_NE(CatalogueKey(I), nullptr);
    const std::string Key = CatalogueKey(I);
    EXPECT_TRUE(std::regex_match(Key, std::regex("[a-z]+\\.[A-Za-z_]+"))) << Key;
    EXPECT_TRUE(Seen.insert(Key).second) << "duplicate key " << Key;
    EXPECT_GT(std::strlen(CatalogueZh(I)), 0u) << Key;
    EXPECT_GT(std::strlen(CatalogueEn(I)), 0u) << Key;
  }
  EXPECT_STREQ(CatalogueKey(0), "about.title");
  EXPECT_STREQ(CatalogueKey(CatalogueCount() - 1), "about.privacy_load_fail");
  EXPECT_EQ(CatalogueKey(CatalogueCount()), nullptr);
  EXPECT_EQ(CatalogueZh(CatalogueCount()), nullptr);
  EXPECT_EQ(CatalogueEn(CatalogueCount()), nullptr);
}

// Callers format zh and en with the same arguments, so both texts of a key
// must carry the same placeholders in the same order.
TEST(Catalogue, PlaceholdersAgreeBetweenLanguages) {
  const std::regex Placeholder("%[a-z]");
  auto Placeholders = [&](const char* AText) {
    std::vector<std::string> Result;
    const std::string Text = AText;
    for (auto It = std::sregex_iterator(Text.begin(), Text.end(), Placeholder); It != std::sregex_iterator(); ++It)
      Result.push_back(It->str());
    return Result;
  };
  for (size_t I = 0; I < CatalogueCount(); ++I) {
    const auto Zh = Placeholders(CatalogueZh(I));
    EXPECT_EQ(Zh, Placeholders(CatalogueEn(I))) << CatalogueKey(I);
    for (const std::string& P : Zh) EXPECT_TRUE(P == "%d" || P == "%s") << CatalogueKey(I);
  }
}

// Every entry is reachable through the lookup, in both languages: catches a
// scan that stops early or returns the neighbouring entry.
TEST(Catalogue, LookupReturnsEachEntrysOwnText) {
  const TTranslator Zh(loZh), En(loEn);
  for (size_t I = 0; I < CatalogueCount(); ++I) {
    EXPECT_EQ(Zh.T(CatalogueKey(I)), CatalogueZh(I)) << CatalogueKey(I);
    EXPECT_EQ(En.T(CatalogueKey(I)), CatalogueEn(I)) << CatalogueKey(I);
  }
}

TEST(Catalogue, ExactTexts) {
  struct TCase {
    const char* Key;
    const char* Zh;
    const char* En;
  };
  const TCase Cases[] = {
      {"common.ok", "确定(&O)", "OK (&O)"},
      {"re.source_col_err", "源字段列号超出 CSV 的列数（共 %d 列）。",
       "Source column index exceeds CSV column count (%d cols)."},
      {"csv.col_header", "第%d列", "Column %d"},
      {"se.csv_filter", "CSV 文件 (*.csv)|*.csv|所有文件 (*.*)|*.*", "CSV files (*.csv)|*.csv|All files (*.*)|*.*"},
      // Texts that are followed by a path or a class name keep their blank.
      {"csv.file_missing", "CSV 文件不存在：", "CSV file does not exist: "},
      {"gl.source", "来源：", "Source: "},
      {"gl.type", "类型：", "Type:"},
      {"sm.delete_msg", "确定要删除方案\"%s\"吗？", "Delete scheme \"%s\"?"},
      {"se.path_hint", "多级路径用 \\ 分隔，如：总公司\\华东区", "Separate multi-level paths with \\, e.g.: Corp\\East"},
      {"app.sample_csv", "示例_地名中英替换.csv", "sample_city_names.csv"},
      {"update.downloading", "正在下载…", "Downloading…"},
  };
  const TTranslator Zh(loZh), En(loEn);
  for (const TCase& C : Cases) {
    EXPECT_EQ(Zh.T(C.Key), C.Zh) << C.Key;
    EXPECT_EQ(En.T(C.Key), C.En) << C.Key;
  }
}

TEST(Catalogue, UnknownKeyComesBackUnchanged) {
  const TTranslator En(loEn);
  for (const char* Key : {"no.such_key", "", "about.checkupdate", "ABOUT.TITLE", "common.o", "common.ok ", " common.ok",
                          "common.ok.extra", "关于"}) {
    EXPECT_EQ(En.T(Key), Key) << '"' << Key << '"';
  }
  // A view is compared by its length, not up to a terminator in the memory
  // behind it.
  const std::string_view Prefix = std::string_view("common.ok").substr(0, 8);
  EXPECT_EQ(En.T(Prefix), "common.o");
}

// --- Registry override and Windows language -------------------------------

const wchar_t* const CKeyPath = L"SOFTWARE\\Morvane";
const wchar_t* const CValueName = L"Locale";

bool WindowsLanguageIsChinese() { return PRIMARYLANGID(GetUserDefaultLangID()) == LANG_CHINESE; }

// Saves whatever HKCU\SOFTWARE\Morvane holds before the test and puts it back
// afterwards, so the prefix is left as it was found.
class LocaleRegistry : public ::testing::Test {
protected:
  void SetUp() override {
    HKEY Key = nullptr;
    FKeyExisted = RegOpenKeyExW(HKEY_CURRENT_USER, CKeyPath, 0, KEY_READ, &Key) == ERROR_SUCCESS;
    if (FKeyExisted) {
      DWORD Size = 0;
      if (RegQueryValueExW(Key, CValueName, nullptr, &FSavedType, nullptr, &Size) == ERROR_SUCCESS) {
        FSavedData.resize(Size);
        FValueExisted = RegQueryValueExW(Key, CValueName, nullptr, &FSavedType, FSavedData.data(), &Size) ==
                        ERROR_SUCCESS;
        FSavedData.resize(Size);
      }
      RegCloseKey(Key);
    }
    FreeTranslator();
  }

  void TearDown() override {
    if (FValueExisted) {
      WriteRaw(FSavedType, FSavedData.data(), static_cast<DWORD>(FSavedData.size()));
    } else {
      DeleteValue();
      if (!FKeyExisted) RegDeleteKeyW(HKEY_CURRENT_USER, CKeyPath);
    }
    FreeTranslator();
  }

  static void WriteRaw(DWORD AType, const void* AData, DWORD ASize) {
    HKEY Key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, CKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &Key, nullptr),
              ERROR_SUCCESS);
    const LONG Rc = RegSetValueExW(Key, CValueName, 0, AType, static_cast<const BYTE*>(AData), ASize);
    RegCloseKey(Key);
    ASSERT_EQ(Rc, ERROR_SUCCESS);
  }

  // Stored the ordinary way: REG_SZ with its terminating NUL.
  static void WriteString(const std::wstring& AValue) {
    WriteRaw(REG_SZ, AValue.c_str(), static_cast<DWORD>((AValue.size() + 1) * sizeof(wchar_t)));
  }

  static void DeleteValue() {
    HKEY Key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, CKeyPath, 0, KEY_SET_VALUE, &Key) == ERROR_SUCCESS) {
      RegDeleteValueW(Key, CValueName);
      RegCloseKey(Key);
    }
  }

  bool KeyExisted() const { return FKeyExisted; }

  static TLocale Fallback() { return WindowsLanguageIsChinese() ? loZh : loEn; }

private:
  bool FKeyExisted = false;
  bool FValueExisted = false;
  DWORD FSavedType = REG_NONE;
  std::vector<BYTE> FSavedData;
};

TEST_F(LocaleRegistry, OverrideOnlyWhenExactlyZhOrEn) {
  // Values other than these two, however close, leave the choice to Windows.
  struct TCase {
    std::wstring Value;
    std::optional<TLocale> Override;
  };
  const TCase Cases[] = {
      {L"zh", loZh},
      {L"en", loEn},
      {L"ZH", {}},
      {L"En", {}},
      {L" zh", {}},
      {L"zh ", {}},
      {L"zh-CN", {}},
      {L"en_US", {}},
      {L"", {}},
      {L"chinese", {}},
      // Too long for the 32-unit buffer: not read at all.
      {L"zh" + std::wstring(38, L'x'), {}},
      {std::wstring(40, L'z'), {}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << "Locale=\"" << C.Value << "\"");
    WriteString(C.Value);
    EXPECT_EQ(DetectLocale(), C.Override.value_or(Fallback()));
  }
}

TEST_F(LocaleRegistry, MissingValueOrKeyFallsBackToWindowsLanguage) {
  WriteString(L"zh");
  DeleteValue();
  EXPECT_EQ(DetectLocale(), Fallback());  // key present, value missing
  // Removing the key would take other values with it: only a key this test
  // created goes.
  if (!KeyExisted()) {
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, CKeyPath), ERROR_SUCCESS);
    EXPECT_EQ(DetectLocale(), Fallback());  // no key at all
  }
}

TEST_F(LocaleRegistry, ReadsUpToFirstNulAndIgnoresType) {
  // Data without a terminator: the length read bounds the text.
  WriteRaw(REG_SZ, L"zh", 2 * sizeof(wchar_t));
  EXPECT_EQ(DetectLocale(), loZh);
  // Text after an embedded NUL is not part of the value.
  WriteRaw(REG_SZ, L"en\0zz", 6 * sizeof(wchar_t));
  EXPECT_EQ(DetectLocale(), loEn);
  // The registry type is not checked.
  WriteRaw(REG_BINARY, L"zh", 3 * sizeof(wchar_t));
  EXPECT_EQ(DetectLocale(), loZh);
  WriteRaw(REG_EXPAND_SZ, L"en", 3 * sizeof(wchar_t));
  EXPECT_EQ(DetectLocale(), loEn);
  // A longest value that still fits (31 units and the terminator).
  WriteString(std::wstring(31, L'e'));
  EXPECT_EQ(DetectLocale(), Fallback());
}

// The language is fixed when the translator is created; freeing it (module
// unload) lets the next lookup build a new one with the current choice.
TEST_F(LocaleRegistry, GlobalTranslatorFollowsOverrideAcrossRecreation) {
  WriteString(L"en");
  EXPECT_EQ(TTranslator().Locale(), loEn);
  EXPECT_EQ(TLang("common.ok"), "OK (&O)");
  EXPECT_EQ(LocaleCode(), "en");

  WriteString(L"zh");
  EXPECT_EQ(TLang("common.ok"), "OK (&O)") << "language must not change while the translator lives";
  EXPECT_EQ(TTranslator().Locale(), loZh);

  FreeTranslator();
  EXPECT_EQ(TLang("common.ok"), "确定(&O)");
  EXPECT_EQ(LocaleCode(), "zh");
  EXPECT_EQ(TLang("no.such_key"), "no.such_key");

  FreeTranslator();
  FreeTranslator();  // a second release is harmless
  EXPECT_EQ(LocaleCode(), "zh");
  EXPECT_EQ(TLang("common.cancel"), "取消(&C)");
}

// The test program is registered once per LANG; make sure each run really
// sees the Windows language it was meant to, or the fallback cases above
// prove nothing for that language.
TEST(WindowsLanguage, MatchesTheLangTheTestWasStartedWith) {
  const char* Lang = std::getenv("LANG");
  if (!Lang || !*Lang) GTEST_SKIP() << "LANG not set";
  const std::string Value = Lang;
  if (Value.rfind("zh_", 0) == 0) {
    EXPECT_TRUE(WindowsLanguageIsChinese()) << "LANG=" << Value << " but language id 0x" << std::hex
                                            << GetUserDefaultLangID() << " (is the zh_CN.UTF-8 locale generated?)";
  } else if (Value.rfind("C", 0) == 0 || Value.rfind("en_", 0) == 0) {
    EXPECT_FALSE(WindowsLanguageIsChinese()) << "LANG=" << Value;
  }
}

}  // namespace
}  // namespace mvn
