// File functions on UTF-8 paths over the wide Win32 file API. None of them
// raises: failures are reported through the result and the caller decides
// what to show.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mvn {

// Largest file ReadFileBytesU reads whole.
constexpr uint64_t kMaxReadFileBytes = 16777216;

bool FileExistsU(const std::string& APath);
bool DirectoryExistsU(const std::string& APath);
// Creates every missing level; true when the directory exists afterwards.
bool ForceDirectoriesU(const std::string& APath);
bool DeleteFileU(const std::string& APath);
// A whole file of at most kMaxReadFileBytes; false and empty data otherwise.
bool ReadFileBytesU(const std::string& APath, std::string& AData);
// Creates or truncates, then writes everything.
bool WriteFileBytesU(const std::string& APath, const std::string& AData);
// Replaces the whole file in one step: the data goes to a temporary file
// beside it, is flushed, and the temporary file is then renamed over the
// target. On failure the old file stays exactly as it was.
bool ReplaceFileBytesU(const std::string& APath, const std::string& AData);
// A text file as UTF-8: by its byte-order mark, else as UTF-8 when valid,
// else from the system ANSI code page. Empty when the file cannot be read.
std::string ReadFileTextU(const std::string& APath);
// Appends the bare names of the plain files in ADir whose names end with
// AMask (compared without regard to ASCII case), unsorted; returns how many.
int ListFilesU(const std::string& ADir, const std::string& AMask, std::vector<std::string>& AList);
// Copies, replacing the target.
bool CopyFileU(const std::string& ASource, const std::string& ATarget);

}  // namespace mvn
