// The module that holds this code: the add-in DLL inside Excel (or a test
// program), never the host's executable.
#pragma once
#include <windows.h>

#include <string>

namespace mvn {

HMODULE ThisModule();
// The full file name of AModule, any length; empty when it cannot be read.
std::wstring ModuleFileName(HMODULE AModule);

}  // namespace mvn
