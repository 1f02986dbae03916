#include "host/uCmdBarMgr.h"

namespace mvn {

TCommandBarManager::TCommandBarManager(TAutoObject AExcelApp) : FExcelApp(std::move(AExcelApp)) {}

TCommandBarManager::~TCommandBarManager() = default;

// The bar is not built yet: nothing to purge or create.
void TCommandBarManager::Purge() {}

void TCommandBarManager::CreateToolbar() {}

}  // namespace mvn
