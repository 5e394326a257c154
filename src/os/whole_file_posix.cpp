#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "os/descriptor_posix.h"
#include "os/pending_file_posix.h"
#include "os/paths.h"
#include "os/system_error.h"
#include "os/whole_file.h"

namespace dorvane::os {

std::optional<std::string> read_small_file(const std::string& path) {
    const Descriptor folder = open_folder(directory_of(path));
    const Descriptor file(
        ::openat(folder.get(), name_of(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        if (errno == ELOOP) throw Error(ELOOP, "it is a symbolic link, which is not followed");
        throw last_system_error();
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) throw last_system_error();
    if (S_ISDIR(info.st_mode)) throw Error(EISDIR, "it is a folder");
    if (!S_ISREG(info.st_mode)) throw Error(EINVAL, "it is not a regular file");
    std::string content = read_at_most(file.get(), small_file_limit + 1);
    if (content.size() > small_file_limit)
        throw Error(EFBIG, "it is larger than " + std::to_string(small_file_limit / 1024) + " KiB");
    return content;
}

void replace_file(const std::string& path, const std::string& content) {
    const Descriptor folder = open_folder(directory_of(path));
    PendingFile file(folder.get(), name_of(path));
    if (::fchmod(file.fd(), 0644) != 0) throw last_system_error();
    write_all(file.fd(), content);
    if (::fsync(file.fd()) != 0) throw last_system_error();
    file.publish();
    // The rename made durable too; the new file is in place either way.
    ::fsync(folder.get());
}

bool remove_file(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return true;
    if (errno == ENOENT) return false;
    throw last_system_error();
}

}  // namespace dorvane::os
