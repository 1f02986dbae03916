// The storage layer: file functions on UTF-8 paths, the INI store, the scheme
// list and the settings. Runs under both the English and the Chinese locale
// (ANSI code page 1252 and 936).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/uUnicode.h"
#include "store/uIniFile.h"
#include "store/uScheme.h"
#include "store/uSettings.h"
#include "store/uUtils.h"
#include "store/uWinFile.h"
#include "support/TestSupport.h"

namespace mvn {
namespace {

using test::ReadWholeFile;
using test::TTempDir;
using test::WriteWholeFile;

const std::string kBom = "\xEF\xBB\xBF";

// Every name in a directory, sorted; shows leftover temporary files.
std::vector<std::string> DirNames(const std::string& ADir) {
  std::vector<std::string> Names;
  ListFilesU(ADir, "", Names);
  std::sort(Names.begin(), Names.end());
  return Names;
}

// ---------------------------------------------------------------------------
// File functions

TEST(WinFile, WorksOnChinesePathsWithBlanks) {
  TTempDir Dir("数据 目录");
  const std::string File = Dir.File("映射 表.csv");
  const std::string Copy = Dir.File("副本 表.csv");

  EXPECT_FALSE(FileExistsU(File));
  ASSERT_TRUE(WriteFileBytesU(File, "源,目标\r\n"));
  EXPECT_TRUE(FileExistsU(File));
  EXPECT_FALSE(DirectoryExistsU(File));
  EXPECT_TRUE(DirectoryExistsU(Dir.Path()));
  EXPECT_FALSE(FileExistsU(Dir.Path()));

  std::string Data = "junk";
  ASSERT_TRUE(ReadFileBytesU(File, Data));
  EXPECT_EQ(Data, "源,目标\r\n");

  // Writing truncates; copying replaces an existing target.
  WriteWholeFile(Copy, "an older and longer content");
  ASSERT_TRUE(WriteFileBytesU(File, "短"));
  ASSERT_TRUE(CopyFileU(File, Copy));
  EXPECT_EQ(ReadWholeFile(Copy), "短");

  EXPECT_TRUE(DeleteFileU(File));
  EXPECT_FALSE(FileExistsU(File));
  EXPECT_FALSE(DeleteFileU(File));
  EXPECT_FALSE(ReadFileBytesU(File, Data));
  EXPECT_TRUE(Data.empty());
}

TEST(WinFile, ForceDirectoriesCreatesEveryLevel) {
  TTempDir Dir("目录 测试");
  const std::string Deep = Dir.Path() + "一级\\二 级/三级\\";
  EXPECT_FALSE(DirectoryExistsU(Deep));
  EXPECT_TRUE(ForceDirectoriesU(Deep));
  EXPECT_TRUE(DirectoryExistsU(Dir.Path() + "一级\\二 级\\三级"));
  EXPECT_TRUE(ForceDirectoriesU(Deep));  // already there
  EXPECT_TRUE(ForceDirectoriesU(Dir.Path() + "甲\\\\乙"));  // doubled separator
  EXPECT_TRUE(DirectoryExistsU(Dir.Path() + "甲\\乙"));
  EXPECT_TRUE(ForceDirectoriesU(""));

  // A file in the way cannot become a directory.
  WriteWholeFile(Dir.File("占用"), "x");
  EXPECT_FALSE(ForceDirectoriesU(Dir.Path() + "占用\\下级"));
}

TEST(WinFile, ReadsAtMostSixteenMebibytes) {
  TTempDir Dir("大 文件");
  const std::string File = Dir.File("大.bin");
  WriteWholeFile(File, std::string(kMaxReadFileBytes, 'a'));
  std::string Data;
  ASSERT_TRUE(ReadFileBytesU(File, Data));
  EXPECT_EQ(Data.size(), kMaxReadFileBytes);

  WriteWholeFile(File, std::string(kMaxReadFileBytes + 1, 'a'));
  EXPECT_FALSE(ReadFileBytesU(File, Data));
  EXPECT_TRUE(Data.empty());
  EXPECT_EQ(ReadFileTextU(File), "");
}

TEST(WinFile, ListsPlainFilesEndingWithTheExtension) {
  TTempDir Dir("列表 测试");
  for (const char* Name : {"a.csv", "B.CSV", "城市 名.csv", "note.txt", "a.csvx"}) WriteWholeFile(Dir.File(Name), "");
  ASSERT_TRUE(ForceDirectoriesU(Dir.Path() + "folder.csv"));

  std::vector<std::string> List = {"kept"};
  EXPECT_EQ(ListFilesU(Dir.Path(), ".csv", List), 3);
  std::sort(List.begin() + 1, List.end());
  EXPECT_EQ(List, (std::vector<std::string>{"kept", "B.CSV", "a.csv", "城市 名.csv"}));

  // Without a trailing separator, and with an empty extension: every file.
  std::vector<std::string> All;
  std::string NoSlash = Dir.Path();
  NoSlash.pop_back();
  EXPECT_EQ(ListFilesU(NoSlash, "", All), 5);
  std::vector<std::string> None;
  EXPECT_EQ(ListFilesU(Dir.Path() + "missing", ".csv", None), 0);
}

TEST(WinFile, ReadsTextByByteOrderMarkOrByTrial) {
  TTempDir Dir("编码 测试");
  const std::wstring Chinese = L"中文=值\r\n";
  const std::string Gbk = "\xD6\xD0\xCE\xC4";  // 中文 in GBK, not valid UTF-8
  struct TCase {
    const char* Label;
    std::string Bytes;
    std::string Expected;
  } Cases[] = {
      {"utf-8 with bom", kBom + "中文=值\r\n", "中文=值\r\n"},
      {"utf-8", "中文=值\r\n", "中文=值\r\n"},
      {"utf-16 le", test::Utf16FileBytes(Chinese, false), "中文=值\r\n"},
      {"utf-16 be", test::Utf16FileBytes(Chinese, true), "中文=值\r\n"},
      {"utf-16 le, odd byte dropped", test::Utf16FileBytes(L"ab", false) + "c", "ab"},
      {"ansi code page", Gbk, WideToUtf8(AnsiToWide(Gbk))},
      {"empty", "", ""},
  };
  for (const TCase& Case : Cases) {
    const std::string File = Dir.File("文本.ini");
    WriteWholeFile(File, Case.Bytes);
    EXPECT_EQ(ReadFileTextU(File), Case.Expected) << Case.Label;
  }
  if (GetACP() == 936) {
    WriteWholeFile(Dir.File("gbk.txt"), Gbk);
    EXPECT_EQ(ReadFileTextU(Dir.File("gbk.txt")), "中文");
  }
  EXPECT_EQ(ReadFileTextU(Dir.File("missing.txt")), "");
}

TEST(WinFile, ReplaceIsAllOrNothing) {
  TTempDir Dir("替换 测试");
  const std::string File = Dir.File("设置 文件.ini");

  ASSERT_TRUE(ReplaceFileBytesU(File, "first"));  // creates
  ASSERT_TRUE(ReplaceFileBytesU(File, "second, longer"));
  EXPECT_EQ(ReadWholeFile(File), "second, longer");
  ASSERT_TRUE(ReplaceFileBytesU(File, ""));
  EXPECT_EQ(ReadWholeFile(File), "");
  EXPECT_EQ(DirNames(Dir.Path()), std::vector<std::string>{"设置 文件.ini"});

  // Another program holds the file open without sharing: refused, and the
  // old content and the directory stay exactly as they were.
  WriteWholeFile(File, "old");
  {
    test::TLockedFile Lock(File);
    ASSERT_TRUE(Lock.Valid());
    EXPECT_FALSE(ReplaceFileBytesU(File, "new"));
  }
  EXPECT_EQ(ReadWholeFile(File), "old");
  EXPECT_EQ(DirNames(Dir.Path()), std::vector<std::string>{"设置 文件.ini"});

  EXPECT_FALSE(ReplaceFileBytesU(Dir.Path() + "无此目录\\x.ini", "new"));
  EXPECT_FALSE(ReplaceFileBytesU("", "new"));
}

// ---------------------------------------------------------------------------
// INI store

std::vector<std::string> Dump(const TWideIniFile& AIni) {
  std::vector<std::string> Lines;
  for (int I = 0; I < AIni.SectionCount(); ++I) {
    Lines.push_back("[" + AIni.SectionName(I) + "]");
    for (const std::string& Line : AIni.SectionLines(I)) Lines.push_back(Line);
  }
  return Lines;
}

TEST(IniFile, SameContentInFourEncodingsLoadsTheSame) {
  TTempDir Dir("编码 数据");
  const std::wstring Text = L"[方案 一]\r\n名称=城市\r\n说明 = 中文 说明\r\n[Other]\nKey=V\r";
  const std::string Utf8 = WideToUtf8(Text);
  const std::string Variants[] = {kBom + Utf8, Utf8, test::Utf16FileBytes(Text, false), test::Utf16FileBytes(Text, true)};
  const std::vector<std::string> Expected = {"[方案 一]", "名称=城市", "说明=中文 说明", "[Other]", "Key=V"};
  for (const std::string& Bytes : Variants) {
    const std::string File = Dir.File("四种.ini");
    WriteWholeFile(File, Bytes);
    TWideIniFile Ini(File);
    Ini.Load();
    EXPECT_EQ(Dump(Ini), Expected);
    EXPECT_EQ(Ini.ReadString("方案 一", "说明", "?"), "中文 说明");
    EXPECT_FALSE(Ini.Modified());
  }
}

TEST(IniFile, AnsiFileUnderChineseCodePage) {
  if (GetACP() != 936) GTEST_SKIP() << "needs the Chinese ANSI code page";
  TTempDir Dir("国标 编码");
  // [中文] / 名=值 in GBK.
  WriteWholeFile(Dir.File("gbk.ini"), "[\xD6\xD0\xCE\xC4]\r\n\xC3\xFB=\xD6\xB5\r\n");
  TWideIniFile Ini(Dir.File("gbk.ini"));
  Ini.Load();
  EXPECT_EQ(Ini.ReadString("中文", "名", ""), "值");
}

TEST(IniFile, ParsesAndRewritesTheWayTheFormatSays) {
  TTempDir Dir("格式 测试");
  const std::string File = Dir.File("规则.ini");
  WriteWholeFile(File,
                 "Loose = before any header \r\n"
                 "[  First  ] trailing text\r\n"
                 "  Name  =  Value with = inside  \n"
                 "Empty=\r"
                 "; a comment\r\n"
                 "# another\r\n"
                 "=no name\r\n"
                 "neither header nor entry\r\n"
                 "[first]\r\n"
                 "NAME=later\r\n"
                 "[Second\r\n"
                 "[Blank]\r\n");
  TWideIniFile Ini(File);
  Ini.Load();
  // A repeated name keeps its first place but takes the later spelling.
  EXPECT_EQ(Dump(Ini), (std::vector<std::string>{"[]", "Loose=before any header", "[First]", "NAME=later", "Empty=",
                                                 "[Blank]"}));
  EXPECT_EQ(Ini.ReadString("FIRST", "name", "?"), "later");
  EXPECT_EQ(Ini.ReadString("First", "Empty", "default"), "");
  EXPECT_EQ(Ini.ReadString("First", "Missing", "default"), "default");
  EXPECT_EQ(Ini.ReadString("Missing", "Name", "default"), "default");
  EXPECT_EQ(Ini.ReadString("", "loose", "?"), "before any header");

  // Unchanged since Load: nothing is written, the comments stay.
  const std::string Before = ReadWholeFile(File);
  EXPECT_TRUE(Ini.UpdateFile());
  EXPECT_EQ(ReadWholeFile(File), Before);

  // Rewriting the same value still counts as a change; the file is then
  // exactly the memory, nameless section first and without a header.
  Ini.WriteString("First", "Name", "later");
  EXPECT_TRUE(Ini.Modified());
  EXPECT_TRUE(Ini.UpdateFile());
  EXPECT_FALSE(Ini.Modified());
  EXPECT_EQ(ReadWholeFile(File), kBom +
                                     "Loose=before any header\r\n"
                                     "[First]\r\nName=later\r\nEmpty=\r\n"
                                     "[Blank]\r\n");
}

TEST(IniFile, ReadsTypedValues) {
  TWideIniFile Ini("unused.ini");
  const std::pair<const char*, const char*> Entries[] = {
      {"T1", "True"}, {"T2", "true"}, {"T3", "1"},  {"T4", "Yes"},         {"T5", "On"},          {"T6", "on"},
      {"F1", "TRUE"}, {"F2", "yes"},  {"F3", "0"},  {"F4", "no"},          {"E", ""},             {"N1", "-42"},
      {"N2", "+7"},   {"N3", "12ab"}, {"N4", "0x10"}, {"N5", "2147483648"}, {"N6", "-2147483648"}, {"N7", "1 2"},
      {"L1", "9223372036854775807"},  {"L2", "9223372036854775808"},
  };
  for (const auto& [Key, Value] : Entries) Ini.WriteString("V", Key, Value);

  for (const char* Key : {"T1", "T2", "T3", "T4", "T5", "T6"}) EXPECT_TRUE(Ini.ReadBool("V", Key, false)) << Key;
  for (const char* Key : {"F1", "F2", "F3", "F4"}) EXPECT_FALSE(Ini.ReadBool("V", Key, true)) << Key;
  EXPECT_TRUE(Ini.ReadBool("V", "E", true));
  EXPECT_TRUE(Ini.ReadBool("V", "Missing", true));

  const std::pair<const char*, int32_t> Integers[] = {{"N1", -42}, {"N2", 7},           {"N3", 5}, {"N4", 5},
                                                      {"N5", 5},   {"N6", INT32_MIN}, {"N7", 5}, {"E", 5}};
  for (const auto& [Key, Expected] : Integers) EXPECT_EQ(Ini.ReadInteger("V", Key, 5), Expected) << Key;
  EXPECT_EQ(Ini.ReadInt64("V", "N5", 5), 2147483648LL);
  EXPECT_EQ(Ini.ReadInt64("V", "L1", 5), INT64_MAX);
  EXPECT_EQ(Ini.ReadInt64("V", "L2", 5), 5);

  Ini.WriteBool("W", "B", false);
  Ini.WriteInteger("W", "I", -3);
  Ini.WriteInt64("W", "L", -6000000000LL);
  EXPECT_EQ(Ini.SectionLines(Ini.FindSection("W")), (std::vector<std::string>{"B=False", "I=-3", "L=-6000000000"}));
}

TEST(IniFile, MissingFileIsCreatedWithItsFolders) {
  TTempDir Dir("新建 测试");
  const std::string File = Dir.Path() + "甲\\乙 丙\\新.ini";
  TWideIniFile Ini(File);
  Ini.Load();
  EXPECT_TRUE(Ini.Modified());
  EXPECT_TRUE(Ini.UpdateFile());
  EXPECT_EQ(ReadWholeFile(File), kBom);
}

TEST(IniFile, SavePatternReplacesWholeFile) {
  TTempDir Dir("保存 测试");
  const std::string File = Dir.File("整体.ini");
  WriteWholeFile(File, "[Old]\r\nKey=gone\r\n; comment\r\n");
  TWideIniFile Ini(File);
  Ini.WriteString("New", "Key", "value");
  // A line break cannot live inside an INI line; left alone it would forge
  // a section of its own.
  Ini.WriteString("New", "Text", "one\r\n[Old]\r\nKey=forged");
  ASSERT_TRUE(Ini.UpdateFile());
  EXPECT_EQ(ReadWholeFile(File), kBom + "[New]\r\nKey=value\r\nText=one  [Old]  Key=forged\r\n");
}

TEST(IniFile, RefusedSaveKeepsTheOldFileAndTellsSo) {
  TTempDir Dir("拒绝 保存");
  const std::string File = Dir.File("锁定.ini");
  const std::string Old = kBom + "[Keep]\r\nKey=old value\r\n";
  WriteWholeFile(File, Old);
  TWideIniFile Ini(File);
  Ini.WriteString("Keep", "Key", "new value");
  {
    test::TLockedFile Lock(File);
    ASSERT_TRUE(Lock.Valid());
    EXPECT_FALSE(Ini.UpdateFile());
  }
  EXPECT_EQ(ReadWholeFile(File), Old);
  EXPECT_EQ(DirNames(Dir.Path()), std::vector<std::string>{"锁定.ini"});
  // The store still knows it holds unsaved changes; a retry succeeds.
  EXPECT_TRUE(Ini.Modified());
  EXPECT_TRUE(Ini.UpdateFile());
  EXPECT_EQ(ReadWholeFile(File), kBom + "[Keep]\r\nKey=new value\r\n");
}

// ---------------------------------------------------------------------------
// Scheme list

TEST(SchemeList, RenumbersDenselyOnSave) {
  TTempDir Dir("方案 目录");
  const std::string File = Dir.File("schemes.ini");
  WriteWholeFile(File, kBom +
                           "[Sch0]\r\nID=111\r\nName=甲\r\n"
                           "[Other]\r\nName=ignored\r\n"
                           "[Sch5]\r\nID=555\r\nName=乙\r\nMatchMode=whole\r\n; dropped\r\n");
  TSchemeList List(File);
  List.Load();
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(List.Items(0).Id, "111");
  EXPECT_EQ(List.Items(1).Name, "乙");

  ASSERT_TRUE(List.Save());
  EXPECT_EQ(ReadWholeFile(File), kBom +
                                     "[Sch0]\r\nID=111\r\nName=甲\r\nDescription=\r\nCsvFile=\r\nHasHeader=True\r\n"
                                     "SourceColumn=1\r\nTargetColumn=2\r\nMatchMode=partial\r\nPath=\r\n"
                                     "[Sch1]\r\nID=555\r\nName=乙\r\nDescription=\r\nCsvFile=\r\nHasHeader=True\r\n"
                                     "SourceColumn=1\r\nTargetColumn=2\r\nMatchMode=whole\r\nPath=\r\n");
}

TEST(SchemeList, LoadRules) {
  TTempDir Dir("方案 规则");
  const std::string File = Dir.File("schemes.ini");
  WriteWholeFile(File,
                 "[sch0]\r\nname=Named only\r\nMatchMode= Partial \r\nHasHeader=no\r\nSourceColumn=abc\r\n"
                 "TargetColumn=\r\n"
                 "[Sch1]\r\nID=\r\nName=\r\nCsvFile=skipped.csv\r\n"
                 "[Sch2]\r\nID=2\r\nMatchMode=\r\n"
                 "[Sch3]\r\nID=3\r\nMatchMode=partly\r\nSourceColumn=4\r\nTargetColumn=-1\r\n"
                 "[Sch4]\r\nID=4\r\n"
                 "[Sch9999]\r\nID=last\r\n"
                 "[Sch10000]\r\nID=never\r\n");
  TSchemeList List(File);
  List.Load();
  ASSERT_EQ(List.Count(), 5);

  const TScheme& Named = List.Items(0);
  EXPECT_EQ(Named.Id, "Named only");
  EXPECT_EQ(Named.MatchMode, mmPartial);
  EXPECT_FALSE(Named.HasHeader);
  EXPECT_EQ(Named.SourceColumn, 1);
  EXPECT_EQ(Named.TargetColumn, 2);

  EXPECT_EQ(List.Items(1).Id, "2");
  EXPECT_EQ(List.Items(1).MatchMode, mmWhole);  // empty value
  EXPECT_EQ(List.Items(2).MatchMode, mmWhole);  // unknown text
  EXPECT_EQ(List.Items(2).SourceColumn, 4);
  EXPECT_EQ(List.Items(2).TargetColumn, -1);    // stored as it is
  EXPECT_EQ(List.Items(3).MatchMode, mmPartial);  // missing key
  EXPECT_TRUE(List.Items(3).HasHeader);
  EXPECT_EQ(List.Items(4).Id, "last");
  EXPECT_EQ(List.IndexOfId("never"), -1);

  // The name that stood in for the Id is saved as the Id.
  ASSERT_TRUE(List.Save());
  TWideIniFile Ini(File);
  Ini.Load();
  EXPECT_EQ(Ini.ReadString("Sch0", "ID", ""), "Named only");
  EXPECT_EQ(Ini.FindSection("Sch5"), -1);
}

TEST(SchemeList, RoundTripKeepsAwkwardValues) {
  TTempDir Dir("往返 测试");
  const std::string File = Dir.File("方案 列表.ini");
  TSchemeList List(File);
  TScheme& A = List.Add();
  A.Name = "a=b; c # [d] 名称";
  A.Description = "[Sch1] =说明= ;#";
  A.CsvFile = "城市 名.csv";
  A.HasHeader = false;
  A.SourceColumn = 3;
  A.TargetColumn = 7;
  A.MatchMode = mmWhole;
  A.Path = "样例\\子 目录";
  TScheme& B = List.Add();
  B.Name = "#starts with hash";
  const TScheme Saved = A;
  const std::string IdB = B.Id;
  ASSERT_TRUE(List.Save());

  TSchemeList Again(File);
  Again.Load();
  ASSERT_EQ(Again.Count(), 2);
  const TScheme& R = Again.Items(0);
  EXPECT_EQ(R.Id, Saved.Id);
  EXPECT_EQ(R.Name, Saved.Name);
  EXPECT_EQ(R.Description, Saved.Description);
  EXPECT_EQ(R.CsvFile, Saved.CsvFile);
  EXPECT_EQ(R.HasHeader, Saved.HasHeader);
  EXPECT_EQ(R.SourceColumn, Saved.SourceColumn);
  EXPECT_EQ(R.TargetColumn, Saved.TargetColumn);
  EXPECT_EQ(R.MatchMode, Saved.MatchMode);
  EXPECT_EQ(R.Path, Saved.Path);
  EXPECT_EQ(Again.Items(1).Name, "#starts with hash");
  EXPECT_EQ(Again.IndexOfId(IdB), 1);
}

TEST(SchemeList, AddDeleteAndLookup) {
  TSchemeList List("unused.ini");
  SYSTEMTIME Now;
  GetLocalTime(&Now);
  char Year[8];
  std::snprintf(Year, sizeof Year, "%04u", Now.wYear);

  std::set<std::string> Suffixes;
  for (int I = 0; I < 50; ++I) {
    const TScheme& Scheme = List.Add();
    ASSERT_EQ(Scheme.Id.size(), 21u) << Scheme.Id;
    EXPECT_EQ(Scheme.Id.find_first_not_of("0123456789"), std::string::npos) << Scheme.Id;
    EXPECT_EQ(Scheme.Id.substr(0, 4), Year);
    const int Suffix = std::stoi(Scheme.Id.substr(17));
    EXPECT_GE(Suffix, 1000);
    EXPECT_LE(Suffix, 9999);
    Suffixes.insert(Scheme.Id.substr(17));
    EXPECT_EQ(Scheme.Name, "");
    EXPECT_TRUE(Scheme.HasHeader);
    EXPECT_EQ(Scheme.MatchMode, mmPartial);
  }
  EXPECT_GT(Suffixes.size(), 40u);  // random, not a counter stuck at one value

  // References handed out stay valid while other schemes come and go.
  TScheme& Third = List.Items(2);
  Third.Id = "dup";
  List.Items(4).Id = "dup";
  List.Items(5).Id = "DUP";
  EXPECT_EQ(List.IndexOfId("dup"), 2);
  EXPECT_EQ(List.IndexOfId("DUP"), 5);
  List.Delete(0);
  List.Delete(-1);
  List.Delete(List.Count());
  EXPECT_EQ(List.Count(), 49);
  EXPECT_EQ(&List.Items(1), &Third);
  EXPECT_EQ(List.IndexOfId("dup"), 1);
}

TEST(SchemeList, MissingFileAndEmptyList) {
  TTempDir Dir("空 列表");
  TSchemeList List(Dir.File("schemes.ini"));
  List.Add();
  List.Load();
  EXPECT_EQ(List.Count(), 0);
  ASSERT_TRUE(List.Save());
  EXPECT_EQ(ReadWholeFile(Dir.File("schemes.ini")), kBom);
}

TEST(SchemeList, RefusedSaveKeepsThePreviousFile) {
  TTempDir Dir("方案 锁定");
  const std::string File = Dir.File("schemes.ini");
  TSchemeList List(File);
  List.Add().Name = "kept";
  ASSERT_TRUE(List.Save());
  const std::string Before = ReadWholeFile(File);

  List.Delete(0);  // an empty list must not wipe the file when refused
  {
    test::TLockedFile Lock(File);
    ASSERT_TRUE(Lock.Valid());
    EXPECT_FALSE(List.Save());
  }
  EXPECT_EQ(ReadWholeFile(File), Before);
  EXPECT_EQ(DirNames(Dir.Path()), std::vector<std::string>{"schemes.ini"});
}

TEST(SchemeList, MatchModeTexts) {
  EXPECT_EQ(MatchModeToStr(mmPartial), "partial");
  EXPECT_EQ(MatchModeToStr(mmWhole), "whole");
  for (const char* Text : {"partial", "Partial", " PARTIAL\t"}) EXPECT_EQ(StrToMatchMode(Text), mmPartial) << Text;
  for (const char* Text : {"whole", "", "part", "partial x"}) EXPECT_EQ(StrToMatchMode(Text), mmWhole) << Text;
}

TEST(SchemeList, CsvFullPathIsDataDirAndFile) {
  TTempDir Dir("数据 文件夹");
  SetCustomDataDir(Dir.Path());
  TScheme Scheme;
  Scheme.CsvFile = "map.csv";
  EXPECT_EQ(Scheme.CsvFullPath(), Dir.Path() + "map.csv");
  SetCustomDataDir("");
}

// ---------------------------------------------------------------------------
// Settings

void ExpectDefaults(const TAppSettings& A) {
  EXPECT_FALSE(A.CaseSensitive);
  EXPECT_TRUE(A.TrimBeforeMatch);
  EXPECT_TRUE(A.ShowSummary);
  EXPECT_TRUE(A.ConfirmLarge);
  EXPECT_EQ(A.MaxCells, 20000);
  EXPECT_EQ(A.TreeWidth, 220);
  EXPECT_EQ(A.DataDir, "");
  EXPECT_EQ(A.HotKeyModifiers, 3);  // Ctrl+Alt
  EXPECT_EQ(A.HotKeyVK, 82);        // R
}

TEST(Settings, MissingFileGivesDefaults) {
  TTempDir Dir("设置 缺失");
  TAppSettings Settings(Dir.File("settings.ini"));
  Settings.Load();
  ExpectDefaults(Settings);
  EXPECT_FALSE(FileExistsU(Dir.File("settings.ini")));
  EXPECT_EQ(TAppSettings().FilePath(), SettingsIniPath());
}

TEST(Settings, SavesTheLayoutAndDropsEverythingElse) {
  TTempDir Dir("设置 保存");
  const std::string File = Dir.File("settings.ini");
  WriteWholeFile(File, "[ByHand]\r\nKey=1\r\n");
  TAppSettings Settings(File);
  ASSERT_TRUE(Settings.Save());
  EXPECT_EQ(ReadWholeFile(File), kBom +
                                     "[Options]\r\nCaseSensitive=False\r\nTrimBeforeMatch=True\r\nShowSummary=True\r\n"
                                     "ConfirmLarge=True\r\nMaxCells=20000\r\n"
                                     "[Layout]\r\nTreeWidth=220\r\n"
                                     "[Paths]\r\nDataDir=\r\n"
                                     "[HotKey]\r\nModifiers=3\r\nVK=82\r\n");
}

TEST(Settings, RoundTrip) {
  TTempDir Dir("设置 往返");
  TAppSettings Settings(Dir.File("settings.ini"));
  Settings.CaseSensitive = true;
  Settings.TrimBeforeMatch = false;
  Settings.ShowSummary = false;
  Settings.ConfirmLarge = false;
  Settings.MaxCells = 5000000000LL;
  Settings.TreeWidth = 100;
  Settings.DataDir = "D:\\数据 [a=b];#\\";
  Settings.HotKeyModifiers = 0;
  Settings.HotKeyVK = 0;
  ASSERT_TRUE(Settings.Save());

  TAppSettings Again(Dir.File("settings.ini"));
  Again.Load();
  EXPECT_TRUE(Again.CaseSensitive);
  EXPECT_FALSE(Again.TrimBeforeMatch);
  EXPECT_FALSE(Again.ShowSummary);
  EXPECT_FALSE(Again.ConfirmLarge);
  EXPECT_EQ(Again.MaxCells, 5000000000LL);
  EXPECT_EQ(Again.TreeWidth, 100);
  EXPECT_EQ(Again.DataDir, "D:\\数据 [a=b];#\\");
  EXPECT_EQ(Again.HotKeyModifiers, 0);
  EXPECT_EQ(Again.HotKeyVK, 0);
}

TEST(Settings, ReadingRules) {
  TTempDir Dir("设置 规则");
  const std::string File = Dir.File("settings.ini");
  struct TCase {
    const char* Ini;
    int64_t MaxCells;
    int32_t TreeWidth;
    bool CaseSensitive;
  } Cases[] = {
      {"[Options]\r\nMaxCells=0\r\n", 1, 220, false},
      {"[Options]\r\nMaxCells=-5\r\n", 1, 220, false},
      {"[Options]\r\nMaxCells = 0 \r\n", 1, 220, false},
      {"[Options]\r\nMaxCells=lots\r\n", 20000, 220, false},
      {"[Layout]\r\nTreeWidth=99\r\n", 20000, 220, false},
      {"[Layout]\r\nTreeWidth=100\r\n", 20000, 100, false},
      {"[layout]\r\ntreewidth=wide\r\n", 20000, 220, false},
      {"[Options]\r\nCaseSensitive=yes\r\n", 20000, 220, false},
      {"[Options]\r\nCaseSensitive=Yes\r\n", 20000, 220, true},
      {"[Options]\r\nCaseSensitive=on\r\n", 20000, 220, true},
      {"[Options]\r\nCaseSensitive=\r\n", 20000, 220, false},
  };
  for (const TCase& Case : Cases) {
    WriteWholeFile(File, Case.Ini);
    TAppSettings Settings(File);
    Settings.Load();
    EXPECT_EQ(Settings.MaxCells, Case.MaxCells) << Case.Ini;
    EXPECT_EQ(Settings.TreeWidth, Case.TreeWidth) << Case.Ini;
    EXPECT_EQ(Settings.CaseSensitive, Case.CaseSensitive) << Case.Ini;
  }

  // A value that does not convert keeps what the object held before.
  WriteWholeFile(File, "[Layout]\r\nTreeWidth=wide\r\n[HotKey]\r\nVK=x\r\n");
  TAppSettings Settings(File);
  Settings.TreeWidth = 300;
  Settings.HotKeyVK = 65;
  Settings.Load();
  EXPECT_EQ(Settings.TreeWidth, 300);
  EXPECT_EQ(Settings.HotKeyVK, 65);
}

// A second host reading settings.ini while this one saves must always find
// a whole file, old or new: never a missing, empty or half-written one.
TEST(Settings, ReaderNeverSeesAPartialFile) {
  TTempDir Dir("设置 并发");
  const std::string File = Dir.File("settings.ini");
  TAppSettings Short(File), Long(File);
  Long.DataDir = std::string(200000, 'x');
  ASSERT_TRUE(Short.Save());
  const std::string ShortBytes = ReadWholeFile(File);
  ASSERT_TRUE(Long.Save());
  const std::string LongBytes = ReadWholeFile(File);

  std::atomic<bool> Done{false};
  std::atomic<int> Reads{0}, Bad{0};
  std::thread Reader([&] {
    std::string Data;
    while (!Done) {
      if (ReadFileBytesU(File, Data)) {
        ++Reads;
        if (Data != ShortBytes && Data != LongBytes) ++Bad;
      } else if (!FileExistsU(File)) {
        ++Bad;
      }
      Sleep(1);
    }
  });
  // A save may be refused while the reader holds the file; then the file
  // must still hold what the last successful save wrote.
  int Saved = 0;
  const std::string* Last = &LongBytes;
  for (int I = 0; I < 100; ++I) {
    const bool Even = I % 2 == 0;
    if ((Even ? Short : Long).Save()) {
      ++Saved;
      Last = Even ? &ShortBytes : &LongBytes;
    }
  }
  Done = true;
  Reader.join();
  EXPECT_EQ(Bad, 0);
  EXPECT_GT(Saved, 0);
  EXPECT_GT(Reads, 0);
  EXPECT_EQ(ReadWholeFile(File), *Last);
}

TEST(Settings, RefusedSaveKeepsThePreviousFile) {
  TTempDir Dir("设置 锁定");
  const std::string File = Dir.File("settings.ini");
  TAppSettings Settings(File);
  ASSERT_TRUE(Settings.Save());
  const std::string Before = ReadWholeFile(File);
  Settings.MaxCells = 7;
  {
    test::TLockedFile Lock(File);
    ASSERT_TRUE(Lock.Valid());
    EXPECT_FALSE(Settings.Save());
  }
  EXPECT_EQ(ReadWholeFile(File), Before);
  EXPECT_EQ(DirNames(Dir.Path()), std::vector<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace mvn
