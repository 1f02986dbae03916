#include "store/uWinFile.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>

#include "base/uHandles.h"
#include "base/uUnicode.h"

namespace mvn {

namespace {

constexpr DWORD kWritePiece = 16777216;

bool IsSeparator(wchar_t AChar) { return AChar == L'\\' || AChar == L'/'; }

// Writes everything through an open handle, in pieces a single WriteFile
// call can take.
bool WriteAll(HANDLE AFile, const std::string& AData) {
  size_t Done = 0;
  while (Done < AData.size()) {
    const DWORD Piece = static_cast<DWORD>(std::min<size_t>(AData.size() - Done, kWritePiece));
    DWORD Written = 0;
    if (!WriteFile(AFile, AData.data() + Done, Piece, &Written, nullptr) || Written != Piece) return false;
    Done += Piece;
  }
  return true;
}

// The whole content as strict UTF-8; false when any sequence is invalid.
bool StrictUtf8ToWide(const std::string& ABytes, std::wstring& AText) {
  if (ABytes.size() > INT_MAX) return false;
  const int Len = static_cast<int>(ABytes.size());
  const int Needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, ABytes.data(), Len, nullptr, 0);
  if (Needed <= 0) return false;
  AText.assign(static_cast<size_t>(Needed), L'\0');
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, ABytes.data(), Len, AText.data(), Needed) == Needed;
}

bool StartsWith(const std::string& ABytes, const char* APrefix, size_t ALen) {
  return ABytes.size() >= ALen && ABytes.compare(0, ALen, APrefix, ALen) == 0;
}

bool EndsWithNoCase(const std::wstring& AText, const std::wstring& ASuffix) {
  if (AText.size() < ASuffix.size()) return false;
  const size_t Offset = AText.size() - ASuffix.size();
  for (size_t I = 0; I < ASuffix.size(); ++I) {
    wchar_t A = AText[Offset + I], B = ASuffix[I];
    if (A >= L'A' && A <= L'Z') A += L'a' - L'A';
    if (B >= L'A' && B <= L'Z') B += L'a' - L'A';
    if (A != B) return false;
  }
  return true;
}

// A name beside the target that no other save of this process uses at the
// same time; the process id keeps two hosts saving the same file apart.
std::wstring TempNameBeside(const std::wstring& ATarget) {
  static std::atomic<unsigned> GCounter{0};
  return ATarget + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GCounter++) + L".tmp";
}

// Windows refuses to rename over a file that any handle holds open. Virus
// scanners and indexers open freshly written files for a moment, so a
// refusal is retried briefly before the save gives up.
bool RenameOver(const std::wstring& ASource, const std::wstring& ATarget) {
  constexpr int kAttempts = 10;
  constexpr DWORD kPauseMs = 20;
  for (int Attempt = 1;; ++Attempt) {
    if (MoveFileExW(ASource.c_str(), ATarget.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD Error = GetLastError();
    if (Attempt == kAttempts || (Error != ERROR_ACCESS_DENIED && Error != ERROR_SHARING_VIOLATION)) return false;
    Sleep(kPauseMs);
  }
}

}  // namespace

bool FileExistsU(const std::string& APath) {
  const DWORD Attr = GetFileAttributesW(Utf8ToWide(APath).c_str());
  return Attr != INVALID_FILE_ATTRIBUTES && !(Attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExistsU(const std::string& APath) {
  const DWORD Attr = GetFileAttributesW(Utf8ToWide(APath).c_str());
  return Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectoriesU(const std::string& APath) {
  std::wstring Path = Utf8ToWide(APath);
  while (Path.size() > 1 && IsSeparator(Path.back())) Path.pop_back();
  if (Path.empty()) return true;

  // Every separator closes a part, even an empty one, so a UNC path starts
  // with two empty parts.
  std::vector<std::wstring> Parts;
  std::wstring Current;
  for (wchar_t C : Path) {
    if (IsSeparator(C)) {
      Parts.push_back(Current);
      Current.clear();
    } else {
      Current += C;
    }
  }
  if (!Current.empty()) Parts.push_back(Current);

  std::wstring Running;
  size_t Start = 0;
  if (Parts[0].size() == 2 && Parts[0][1] == L':') {
    Running = Parts[0] + L"\\";
    Start = 1;
  } else if (Parts.size() >= 3 && Parts[0].empty() && Parts[1].empty()) {
    // The server and the share cannot be created, only what lies below them.
    Running = L"\\\\" + Parts[2];
    Start = 3;
    if (Parts.size() >= 4) {
      Running += L"\\" + Parts[3] + L"\\";
      Start = 4;
    }
  } else if (Parts[0].empty()) {
    Running = L"\\";
    Start = 1;
  }

  for (size_t I = Start; I < Parts.size(); ++I) {
    if (Parts[I].empty()) continue;
    Running += Parts[I];
    if (I + 1 < Parts.size()) {
      Running += L"\\";
      // An existing level fails to be created again; that is fine.
      CreateDirectoryW(Running.c_str(), nullptr);
    }
  }
  if (!Running.empty()) CreateDirectoryW(Running.c_str(), nullptr);
  return DirectoryExistsU(APath);
}

bool DeleteFileU(const std::string& APath) { return DeleteFileW(Utf8ToWide(APath).c_str()) != 0; }

bool ReadFileBytesU(const std::string& APath, std::string& AData) {
  AData.clear();
  // Full sharing: reading must work while the user has the file open in an
  // editor or in Excel itself.
  TFileHandle File(CreateFileW(Utf8ToWide(APath).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File.Valid()) return false;

  DWORD High = 0;
  const DWORD Low = GetFileSize(File.Get(), &High);
  if (Low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  const uint64_t Size = (static_cast<uint64_t>(High) << 32) | Low;
  if (Size > kMaxReadFileBytes) return false;
  if (Size == 0) return true;

  AData.resize(static_cast<size_t>(Size));
  DWORD Got = 0;
  if (!ReadFile(File.Get(), AData.data(), static_cast<DWORD>(Size), &Got, nullptr) || Got != Size) {
    AData.clear();
    return false;
  }
  return true;
}

bool WriteFileBytesU(const std::string& APath, const std::string& AData) {
  TFileHandle File(CreateFileW(Utf8ToWide(APath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File.Valid()) return false;
  return WriteAll(File.Get(), AData);
}

bool ReplaceFileBytesU(const std::string& APath, const std::string& AData) {
  const std::wstring Target = Utf8ToWide(APath);
  if (Target.empty()) return false;
  const std::wstring Temp = TempNameBeside(Target);

  TFileHandle File(
      CreateFileW(Temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File.Valid()) return false;
  // The data must be on the disk before the rename makes it the file: a
  // crash right after the rename must not leave an empty file behind.
  bool Ok = WriteAll(File.Get(), AData) && FlushFileBuffers(File.Get());
  Ok = File.Close() && Ok;
  if (Ok) Ok = RenameOver(Temp, Target);
  if (!Ok) DeleteFileW(Temp.c_str());
  return Ok;
}

std::string ReadFileTextU(const std::string& APath) {
  std::string Bytes;
  if (!ReadFileBytesU(APath, Bytes) || Bytes.empty()) return {};
  if (StartsWith(Bytes, "\xFF\xFE", 2)) return WideToUtf8(Utf16BytesToWide(std::string_view(Bytes).substr(2), false));
  if (StartsWith(Bytes, "\xFE\xFF", 2)) return WideToUtf8(Utf16BytesToWide(std::string_view(Bytes).substr(2), true));
  if (StartsWith(Bytes, "\xEF\xBB\xBF", 3)) return Bytes.substr(3);
  std::wstring Text;
  if (StrictUtf8ToWide(Bytes, Text)) return WideToUtf8(Text);
  // Not UTF-8: a file saved by a tool that uses the system code page (GBK on
  // a Chinese Windows).
  return WideToUtf8(AnsiToWide(Bytes));
}

int ListFilesU(const std::string& ADir, const std::string& AMask, std::vector<std::string>& AList) {
  std::wstring Dir = Utf8ToWide(ADir);
  if (Dir.empty() || !IsSeparator(Dir.back())) Dir += L'\\';
  const std::wstring Mask = Utf8ToWide(AMask);
  const bool Wildcards = Mask.find_first_of(L"*?") != std::wstring::npos;
  const std::wstring Pattern = Dir + (Mask.empty() ? L"*" : Wildcards ? Mask : L"*" + Mask);

  WIN32_FIND_DATAW Data;
  TFindHandle Find(FindFirstFileW(Pattern.c_str(), &Data));
  if (!Find.Valid()) return 0;
  int Count = 0;
  do {
    const std::wstring Name = Data.cFileName;
    if (Name == L"." || Name == L".." || (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    // Windows also matches "*.csv" against short 8.3 names, so "a.csvx"
    // could slip through; the name itself must end with the extension.
    if (!Wildcards && !EndsWithNoCase(Name, Mask)) continue;
    AList.push_back(WideToUtf8(Name));
    ++Count;
  } while (FindNextFileW(Find.Get(), &Data));
  return Count;
}

bool CopyFileU(const std::string& ASource, const std::string& ATarget) {
  return CopyFileW(Utf8ToWide(ASource).c_str(), Utf8ToWide(ATarget).c_str(), FALSE) != 0;
}

}  // namespace mvn
