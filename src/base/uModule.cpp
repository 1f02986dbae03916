#include "base/uModule.h"

namespace mvn {

HMODULE ThisModule() {
  static const HMODULE GModule = [] {
    HMODULE Module = nullptr;
    // The address of this function lies in our own module.
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &Module);
    return Module;
  }();
  return GModule;
}

std::wstring ModuleFileName(HMODULE AModule) {
  std::wstring Buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Len = GetModuleFileNameW(AModule, Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (Len == 0) return {};
    if (Len < Buffer.size()) {
      Buffer.resize(Len);
      return Buffer;
    }
    Buffer.resize(Buffer.size() * 2);
  }
}

}  // namespace mvn
