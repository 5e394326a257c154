#include "log/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "os/system_error.h"

namespace dorvane::log {

OutputFile OutputFile::create(const std::string& path, bool overwrite) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) throw os::last_system_error();
    return OutputFile(fd);
}

OutputFile::OutputFile(OutputFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = -1;
}

OutputFile::~OutputFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void OutputFile::write(const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(static_cast<int>(handle_), data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw os::last_system_error();
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
}

void OutputFile::close() {
    const int fd = static_cast<int>(handle_);
    handle_ = -1;  // close() releases the descriptor even when it fails
    if (::close(fd) != 0) throw os::last_system_error();
}

}  // namespace dorvane::log
