#include "os/system_error.h"

#include <cerrno>
#include <cstring>

namespace dorvane::os {

Error last_system_error() {
    const int code = errno;
    return Error(code, std::strerror(code));
}

}  // namespace dorvane::os
