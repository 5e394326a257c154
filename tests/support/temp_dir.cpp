#include "support/temp_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

namespace dorvane::testing {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/dorvane-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

// Opened without waiting: a FIFO or a device that a program under test left
// at a file's name fails the test at once, named, instead of holding it.
std::string read_bytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw std::runtime_error("cannot read " + path + ": it is not a regular file (mode " +
                                 std::to_string(info.st_mode) + "), where a test expects one");
    }
    std::string bytes;
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    if (got < 0) throw std::runtime_error("cannot read " + path);
    return bytes;
}

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string listing(const std::string& directory) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        names.insert(entry.path().filename().string() + " " + std::to_string(info.st_size) + " " +
                     std::to_string(info.st_mode));
    }
    std::string out;
    for (const auto& n : names) out += n + "\n";
    return out;
}

}  // namespace dorvane::testing
