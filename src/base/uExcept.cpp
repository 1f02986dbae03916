#include "base/uExcept.h"

#include <new>

namespace mvn {

TCaughtError DescribeCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const Exception& E) {
      return {E.ClassName(), E.Message()};
    } catch (const std::bad_alloc&) {
      return {"EOutOfMemory", "Out of memory"};
    } catch (const std::exception& E) {
      return {"Exception", E.what()};
    } catch (...) {
      return {"Exception", "Unknown error"};
    }
  } catch (...) {
    return {};
  }
}

}  // namespace mvn
