#include "registry/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "os/system_error.h"

namespace dorvane::modRegistro {
namespace {

// A descriptor, closed once.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now, reporting what closing reports.
    void close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) throw os::last_system_error();
    }

private:
    int fd_;
};

// The temporary file beside the target; removed unless it was committed.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string name_template) : path_(std::move(name_template)) {
        fd_ = ::mkstemp(path_.data());
        if (fd_ < 0) throw os::last_system_error();
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!committed_) ::unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    void committed() { committed_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

void write_all(int fd, const std::string& content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw os::last_system_error();
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
}

std::string real_path(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) throw os::last_system_error();
    return resolved.get();
}

std::string directory_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string read_file(const std::string& path) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) throw os::last_system_error();
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw os::last_system_error();
        }
        if (n == 0) return content;
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

void replace_file(const std::string& path, const std::string& content, const ReplaceHook& hook) {
    const auto step = [&](const char* name) {
        if (hook) hook(name);
    };
    const std::string target = real_path(path);
    struct stat original {};
    if (::stat(target.c_str(), &original) != 0) throw os::last_system_error();

    step("create");
    TemporaryFile temporary(target + ".XXXXXX");
    Descriptor file(temporary.fd());
    step("write");
    write_all(file.get(), content);
    step("sync");
    if (::fsync(file.get()) != 0) throw os::last_system_error();
    step("permissions");
    if (::fchmod(file.get(), original.st_mode & 07777) != 0) throw os::last_system_error();
    struct stat created {};
    if (::fstat(file.get(), &created) != 0) throw os::last_system_error();
    if ((created.st_uid != original.st_uid || created.st_gid != original.st_gid) &&
        ::fchown(file.get(), original.st_uid, original.st_gid) != 0)
        throw os::last_system_error();
    // chown may clear set-id bits; give them back.
    if (::fchmod(file.get(), original.st_mode & 07777) != 0) throw os::last_system_error();
    step("close");
    file.close();
    step("rename");
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) throw os::last_system_error();
    temporary.committed();

    // Make the rename itself durable; the file is already in place if not.
    Descriptor directory(::open(directory_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) ::fsync(directory.get());
}

}  // namespace dorvane::modRegistro
