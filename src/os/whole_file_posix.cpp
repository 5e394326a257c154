#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "os/system_error.h"
#include "os/whole_file.h"

namespace dorvane::os {
namespace {

// A descriptor closed on every path out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes it now, raising a failure (a write the system reports late).
    void close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) throw last_system_error();
    }

private:
    int fd_;
};

void write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw last_system_error();
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::optional<std::string> read_file_if_present(const std::string& path) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        throw last_system_error();
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw last_system_error();
        if (n == 0) return content;
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

void replace_file(const std::string& path, const std::string& content) {
    std::string temporary = path + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    Descriptor file(::mkostemp(name.data(), O_CLOEXEC));
    if (file.get() < 0) throw last_system_error();
    temporary = name.data();
    try {
        if (::fchmod(file.get(), 0644) != 0) throw last_system_error();
        write_all(file.get(), content);
        if (::fsync(file.get()) != 0) throw last_system_error();
        file.close();
        if (::rename(temporary.c_str(), path.c_str()) != 0) throw last_system_error();
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

}  // namespace dorvane::os
