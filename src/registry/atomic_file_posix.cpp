#include "registry/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <random>

#include "os/descriptor_posix.h"
#include "os/program_directory.h"
#include "os/system_error.h"

namespace dorvane::modRegistro {
namespace {

using os::Descriptor;
using os::directory_of;
using os::read_all;
using os::write_all;

// A file's content, and which file it was.
struct Snapshot {
    std::string content;
    struct stat info {};
};

bool same_file(const Snapshot& a, const Snapshot& b) {
    return a.info.st_dev == b.info.st_dev && a.info.st_ino == b.info.st_ino && a.content == b.content;
}

std::string random_suffix() {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    std::string suffix(6, ' ');
    for (char& c : suffix) c = letters[pick(generator)];
    return suffix;
}

// The new content on its way to the target's name. Where the file system
// allows it the file has no name at all (O_TMPFILE) until `publish`, so a
// process killed before then leaves nothing behind; elsewhere it is named
// after the target with a random suffix, and removed unless published.
class PendingFile {
public:
    PendingFile(const std::string& directory, std::string target) : target_(std::move(target)) {
#ifdef O_TMPFILE
        fd_ = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd_ >= 0) return;
        // Kernels and file systems without unnamed files answer one of these.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) throw os::last_system_error();
#else
        (void)directory;
#endif
        path_ = target_ + ".XXXXXX";
        fd_ = ::mkstemp(path_.data());
        if (fd_ < 0) {
            path_.clear();
            throw os::last_system_error();
        }
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() {
        if (!published_ && !path_.empty()) ::unlink(path_.c_str());
        ::close(fd_);
    }
    int fd() const { return fd_; }

    // Gives the file the target's name, replacing the file that had it.
    void publish() {
        if (path_.empty()) name_it();
        if (::rename(path_.c_str(), target_.c_str()) != 0) throw os::last_system_error();
        published_ = true;
    }

private:
    // A name beside the target, for the moment until the rename.
    void name_it() {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 1;; ++attempt) {
            std::string name = target_ + "." + random_suffix();
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                path_ = std::move(name);
                return;
            }
            if (errno != EEXIST || attempt == 100) throw os::last_system_error();
        }
    }

    std::string target_;
    std::string path_;  // the file's name, empty while it has none
    int fd_ = -1;
    bool published_ = false;
};

std::string real_path(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) throw os::last_system_error();
    return resolved.get();
}

Snapshot read_snapshot(const std::string& path) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) throw os::last_system_error();
    Snapshot snapshot;
    if (::fstat(file.get(), &snapshot.info) != 0) throw os::last_system_error();
    snapshot.content = read_all(file.get());
    return snapshot;
}

// How many times an edit is made again on a file that another program keeps
// changing under it, before the rewrite gives up.
constexpr int edit_attempts = 5;

}  // namespace

std::string read_file(const std::string& path) { return read_snapshot(path).content; }

// No lock is shared with other writers of the file (unixODBC's own takes
// none), so the rewrite checks instead that the file it read is still there,
// unchanged, right before its own takes the name.
void rewrite_file(const std::string& path, const Edit& edit, const ReplaceHook& hook) {
    const auto step = [&](const char* name) {
        if (hook) hook(name);
    };
    const std::string target = real_path(path);
    for (int attempt = 1;; ++attempt) {
        const Snapshot original = read_snapshot(target);
        const std::string content = edit(original.content);
        if (content == original.content) return;

        step("create");
        PendingFile file(directory_of(target), target);
        step("write");
        write_all(file.fd(), content);
        step("sync");
        if (::fsync(file.fd()) != 0) throw os::last_system_error();
        step("permissions");
        const struct stat& wanted = original.info;
        if (::fchmod(file.fd(), wanted.st_mode & 07777) != 0) throw os::last_system_error();
        struct stat created {};
        if (::fstat(file.fd(), &created) != 0) throw os::last_system_error();
        if ((created.st_uid != wanted.st_uid || created.st_gid != wanted.st_gid) &&
            ::fchown(file.fd(), wanted.st_uid, wanted.st_gid) != 0)
            throw os::last_system_error();
        // chown may clear set-id bits; give them back.
        if (::fchmod(file.fd(), wanted.st_mode & 07777) != 0) throw os::last_system_error();
        step("rename");
        if (!same_file(read_snapshot(target), original)) {
            if (attempt == edit_attempts)
                throw Error(EAGAIN, "Another program kept changing " + target + " while it was rewritten");
            continue;  // this new content is dropped with its file
        }
        file.publish();
        break;
    }

    // Make the rename itself durable; the file is already in place if not.
    Descriptor directory(::open(directory_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) ::fsync(directory.get());
}

}  // namespace dorvane::modRegistro
