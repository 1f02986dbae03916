// Test-only exports of the add-in DLL built for the tests: they raise an
// error at a chosen step of the connection and read the add-in's state.
#include <windows.h>

#include <string>

#include "base/uExcept.h"
#include "host/uAppShell.h"

namespace {

class ETestFault : public mvn::Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "ETestFault"; }
};

std::string GFailAt;

void FailAtStep(const char* ALine) {
  if (GFailAt == ALine) throw ETestFault("Injected fault");
}

}  // namespace

// An empty or null line removes the fault.
extern "C" __declspec(dllexport) void MvnTestFailAt(const char* ALine) {
  GFailAt = ALine ? ALine : "";
  mvn::SetConnectionStepHook(GFailAt.empty() ? nullptr : &FailAtStep);
}

// AAddIn is an object this DLL created.
extern "C" __declspec(dllexport) BOOL MvnTestIsConnected(mvn::IDTExtensibility2* AAddIn) {
  return static_cast<mvn::TMVNAddIn*>(AAddIn)->Connected();
}
