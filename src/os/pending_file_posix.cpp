#include "os/pending_file_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "os/system_error.h"

namespace dorvane::os {
namespace {

std::string random_suffix() {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    std::string suffix(6, ' ');
    for (char& c : suffix) c = letters[pick(generator)];
    return suffix;
}

// Tries random names beside `target` with `take` until one is free: its
// name. Raises the system's error for anything but a name taken, and after
// a hundred taken ones.
template <typename Take>
std::string free_name(const std::string& target, Take&& take) {
    for (int attempt = 1;; ++attempt) {
        std::string candidate = target + "." + random_suffix();
        if (take(candidate)) return candidate;
        if (errno != EEXIST || attempt == 100) throw last_system_error();
    }
}

}  // namespace

PendingFile::PendingFile(int folder, std::string name) : folder_(folder), target_(std::move(name)) {
#ifdef O_TMPFILE
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ >= 0) return;
    // Kernels and file systems without unnamed files answer one of these.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) throw last_system_error();
#endif
    name_ = free_name(target_, [&](const std::string& candidate) {
        fd_ = ::openat(folder_, candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
        return fd_ >= 0;
    });
}

PendingFile::~PendingFile() {
    if (!published_ && !name_.empty()) ::unlinkat(folder_, name_.c_str(), 0);
    ::close(fd_);
}

void PendingFile::publish() {
    if (name_.empty()) name_it();
    if (::renameat(folder_, name_.c_str(), folder_, target_.c_str()) != 0) throw last_system_error();
    published_ = true;
}

// A name beside the target, for the moment until the rename: an unnamed
// file cannot take the place of a named one directly.
void PendingFile::name_it() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    name_ = free_name(target_, [&](const std::string& candidate) {
        return ::linkat(AT_FDCWD, self.c_str(), folder_, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0;
    });
}

Descriptor open_folder(const std::string& path) {
    const int folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder >= 0) return Descriptor(folder);
    if (errno == ELOOP) throw Error(ELOOP, path + " is a symbolic link, which is not followed");
    throw last_system_error();
}

}  // namespace dorvane::os
