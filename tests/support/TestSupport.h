// Helpers shared by the test programs.
#pragma once
#include <string>

namespace mvn::test {

// A fresh directory under the temporary folder, removed with everything in it
// when the object goes. AName may hold non-ASCII text and blanks.
class TTempDir {
 public:
  explicit TTempDir(const std::string& AName = "mvn test");
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // UTF-8 path with a trailing backslash.
  const std::string& Path() const { return FPath; }
  std::string File(const std::string& AName) const { return FPath + AName; }

 private:
  std::string FPath;
};

// Whole-file helpers that go straight to the Win32 API, so tests do not
// depend on the functions they check. UTF-8 paths.
std::string ReadWholeFile(const std::string& APath);
void WriteWholeFile(const std::string& APath, const std::string& ABytes);

// AText as a UTF-16 file's bytes: byte-order mark, then the units.
std::string Utf16FileBytes(const std::wstring& AText, bool ABigEndian);

// Holds a file open without sharing, the way another program can lock it.
class TLockedFile {
 public:
  explicit TLockedFile(const std::string& APath);
  ~TLockedFile();
  TLockedFile(const TLockedFile&) = delete;
  TLockedFile& operator=(const TLockedFile&) = delete;
  bool Valid() const;

 private:
  void* FHandle;
};

// The Windows user interface language is Chinese (the test was started with
// LANG=zh_CN.UTF-8).
bool WindowsIsChinese();

}  // namespace mvn::test
