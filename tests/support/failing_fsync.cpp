#include "support/failing_fsync.h"

#include <dlfcn.h>

#include <atomic>
#include <cerrno>

namespace {

std::atomic<bool> failing{false};
std::atomic<int> failures{0};

}  // namespace

extern "C" int fsync(int fd) {
    if (failing) {
        ++failures;
        errno = EIO;
        return -1;
    }
    static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}

namespace dorvane::testing {

FailingFsync::FailingFsync() {
    failures = 0;
    failing = true;
}

FailingFsync::~FailingFsync() { failing = false; }

int FailingFsync::failed() const { return failures; }

}  // namespace dorvane::testing
