#include "os/odbc_library.h"

namespace dorvane::os {

void load_odbc_driver_manager() {}

}  // namespace dorvane::os
