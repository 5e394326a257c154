#include "log/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "os/descriptor_posix.h"
#include "os/paths.h"
#include "os/system_error.h"

namespace dorvane::log {

// One writer at a time, as Windows' share mode gives it: the file is opened
// without truncating it, locked, and only then emptied, so a run that finds
// the log held by another leaves it untouched. The lock goes with the
// descriptor when the file is closed.
OutputFile OutputFile::create(const std::string& path, bool overwrite) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? 0 : O_EXCL);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) throw os::last_system_error();
    OutputFile file(fd);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) throw Error(EWOULDBLOCK, "Another run is using the log " + path);
        throw os::last_system_error();
    }
    if (::ftruncate(fd, 0) != 0) throw os::last_system_error();
    return file;
}

// The file as create() would open it, without O_CREAT and before its
// truncation; where there is none, the folder's leave to add one.
void OutputFile::check_creatable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) throw os::last_system_error();
        if (::access(os::directory_of(path).c_str(), W_OK | X_OK) != 0) throw os::last_system_error();
        return;
    }
    const OutputFile file(fd);  // closed on the way out, its lock with it
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) throw Error(EWOULDBLOCK, "Another run is using the log " + path);
        throw os::last_system_error();
    }
}

bool OutputFile::held_by_another(const Error& failure) { return failure.Number == EWOULDBLOCK; }

OutputFile::OutputFile(OutputFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = -1;
}

OutputFile::~OutputFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void OutputFile::write(const std::string& bytes) { os::write_all(static_cast<int>(handle_), bytes); }

void OutputFile::close() {
    const int fd = static_cast<int>(handle_);
    handle_ = -1;
    os::close_descriptor(fd);
}

}  // namespace dorvane::log
