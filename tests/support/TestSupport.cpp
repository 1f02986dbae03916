#include "support/TestSupport.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "base/uUnicode.h"

namespace mvn::test {

namespace {

void RemoveTree(const std::wstring& ADir) {
  WIN32_FIND_DATAW Data;
  HANDLE Find = FindFirstFileW((ADir + L"*").c_str(), &Data);
  if (Find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring Name = Data.cFileName;
      if (Name == L"." || Name == L"..") continue;
      const std::wstring Full = ADir + Name;
      if (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(Full + L"\\");
      } else {
        SetFileAttributesW(Full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(Full.c_str());
      }
    } while (FindNextFileW(Find, &Data));
    FindClose(Find);
  }
  RemoveDirectoryW(ADir.c_str());
}

}  // namespace

TTempDir::TTempDir(const std::string& AName) {
  static std::atomic<int> GCounter{0};
  wchar_t Temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, Temp);
  const std::wstring Dir = std::wstring(Temp) + Utf8ToWide(AName) + L" " + std::to_wstring(GetCurrentProcessId()) +
                           L"-" + std::to_wstring(GCounter++) + L"\\";
  RemoveTree(Dir);
  if (!CreateDirectoryW(Dir.c_str(), nullptr)) throw std::runtime_error("cannot create temp dir");
  FPath = WideToUtf8(Dir);
}

TTempDir::~TTempDir() { RemoveTree(Utf8ToWide(FPath)); }

std::string ReadWholeFile(const std::string& APath) {
  HANDLE H = CreateFileW(Utf8ToWide(APath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (H == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + APath);
  std::string Data;
  char Buffer[65536];
  DWORD Got = 0;
  while (ReadFile(H, Buffer, sizeof Buffer, &Got, nullptr) && Got > 0) Data.append(Buffer, Got);
  CloseHandle(H);
  return Data;
}

void WriteWholeFile(const std::string& APath, const std::string& ABytes) {
  HANDLE H = CreateFileW(Utf8ToWide(APath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (H == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + APath);
  DWORD Written = 0;
  const bool Ok = ABytes.empty() || WriteFile(H, ABytes.data(), static_cast<DWORD>(ABytes.size()), &Written, nullptr);
  CloseHandle(H);
  if (!Ok || Written != ABytes.size()) throw std::runtime_error("cannot write " + APath);
}

std::string Utf16FileBytes(const std::wstring& AText, bool ABigEndian) {
  std::string Bytes = ABigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const wchar_t Unit : AText) {
    const char High = static_cast<char>(static_cast<unsigned>(Unit) >> 8);
    const char Low = static_cast<char>(Unit & 0xFF);
    Bytes += ABigEndian ? High : Low;
    Bytes += ABigEndian ? Low : High;
  }
  return Bytes;
}

TLockedFile::TLockedFile(const std::string& APath)
    : FHandle(CreateFileW(Utf8ToWide(APath).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}

TLockedFile::~TLockedFile() {
  if (Valid()) CloseHandle(FHandle);
}

bool TLockedFile::Valid() const { return FHandle != INVALID_HANDLE_VALUE; }

bool WindowsIsChinese() { return (GetUserDefaultLangID() & 0xFF) == LANG_CHINESE; }

}  // namespace mvn::test
