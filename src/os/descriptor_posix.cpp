#include "os/descriptor_posix.h"

#include <unistd.h>

#include <cerrno>

#include "os/system_error.h"

namespace dorvane::os {

Descriptor::~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

void Descriptor::close() {
    const int fd = fd_;
    fd_ = -1;  // close() releases the descriptor even when it fails
    if (::close(fd) != 0) throw last_system_error();
}

void write_all(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw last_system_error();
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
}

std::string read_all(int fd) {
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw last_system_error();
        }
        if (n == 0) return content;
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace dorvane::os
