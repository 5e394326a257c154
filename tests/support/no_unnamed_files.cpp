#include "support/no_unnamed_files.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <mutex>

namespace {

std::atomic<bool> refusing{false};
std::atomic<int> refusals{0};
std::mutex taking;
bool take_next = false;
std::string squatter_bytes, squatted;

using OpenAt = int (*)(int, const char*, int, ...);

OpenAt real_openat() {
    static const auto real = reinterpret_cast<OpenAt>(dlsym(RTLD_NEXT, "openat"));
    return real;
}

// Puts a file of someone else's at `path` in `folder`, unless one is there.
void squat(int folder, const char* path) {
    const int fd = real_openat()(folder, path, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(fd, squatter_bytes.data(), squatter_bytes.size());
    ::close(fd);
}

}  // namespace

extern "C" int openat(int folder, const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list rest;
        va_start(rest, flags);
        mode = static_cast<mode_t>(va_arg(rest, int));
        va_end(rest);
    }
    if (refusing) {
        if ((flags & O_TMPFILE) == O_TMPFILE) {
            ++refusals;
            errno = EOPNOTSUPP;
            return -1;
        }
        if ((flags & O_CREAT) != 0) {
            const std::lock_guard<std::mutex> lock(taking);
            if (take_next) {
                take_next = false;
                squat(folder, path);
                squatted = path;
            }
        }
    }
    return real_openat()(folder, path, flags, mode);
}

namespace dorvane::testing {

NoUnnamedFiles::NoUnnamedFiles() {
    refusals = 0;
    refusing = true;
}

NoUnnamedFiles::~NoUnnamedFiles() {
    refusing = false;
    const std::lock_guard<std::mutex> lock(taking);
    take_next = false;
    squatted.clear();
}

int NoUnnamedFiles::refused() const { return refusals; }

void NoUnnamedFiles::take_next_name(const std::string& bytes) {
    const std::lock_guard<std::mutex> lock(taking);
    take_next = true;
    squatter_bytes = bytes;
    squatted.clear();
}

std::string NoUnnamedFiles::taken_name() const {
    const std::lock_guard<std::mutex> lock(taking);
    return squatted;
}

}  // namespace dorvane::testing
