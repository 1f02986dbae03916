#include "store/uScheme.h"

#include "store/uUtils.h"

namespace mvn {

std::string TScheme::CsvFullPath() const { return DataDir() + CsvFile; }

}  // namespace mvn
