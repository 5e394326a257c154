#include "registry/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "os/descriptor_posix.h"
#include "os/pending_file_posix.h"
#include "os/paths.h"
#include "os/system_error.h"

namespace dorvane::modRegistro {
namespace {

using os::Descriptor;
using os::directory_of;
using os::PendingFile;
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
    const Descriptor folder = os::open_folder(directory_of(target));
    const std::string name = os::name_of(target);
    for (int attempt = 1;; ++attempt) {
        const Snapshot original = read_snapshot(target);
        const std::string content = edit(original.content);
        if (content == original.content) return;

        step("create");
        PendingFile file(folder.get(), name);
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
    ::fsync(folder.get());
}

}  // namespace dorvane::modRegistro
