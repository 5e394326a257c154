#include "os/descriptor_posix.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "os/system_error.h"

namespace dorvane::os {

Descriptor::~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

void Descriptor::close() {
    const int fd = fd_;
    fd_ = -1;
    close_descriptor(fd);
}

void close_descriptor(int fd) {
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

std::string read_all(int fd) { return read_at_most(fd, std::string().max_size()); }

std::string read_at_most(int fd, std::size_t limit) {
    std::string content;
    char buffer[65536];
    while (content.size() < limit) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, limit - content.size()));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw last_system_error();
        }
        if (n == 0) break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return content;
}

}  // namespace dorvane::os
