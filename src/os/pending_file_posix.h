// A new file on its way to a name in a folder, for rewrites that must
// never leave half a file, nor a stray one, behind.
#pragma once

#include <string>

#include "os/descriptor_posix.h"

namespace dorvane::os {

// Where the file system allows it the file has no name at all (O_TMPFILE)
// until `publish`, so that a process killed before then leaves nothing
// behind. Elsewhere it is named after the target with a random suffix, and
// removed unless published. Everything happens relative to the folder's
// descriptor, so that the folder cannot be swapped for another meanwhile.
class PendingFile {
public:
    // For `name` in the folder open as `folder`, which must outlive it;
    // the file is created mode 0600. Raises the system's error.
    PendingFile(int folder, std::string name);
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    int fd() const { return fd_; }

    // Gives the file the target's name in one rename, replacing whatever
    // had it (but a folder); raises the system's error.
    void publish();

private:
    void name_it();

    int folder_;
    std::string target_;
    std::string name_;  // the file's name in the folder, empty while it has none
    int fd_ = -1;
    bool published_ = false;
};

// The folder `path` opened for PendingFile, without following a link in
// its last part; raises the system's error, or ELOOP's with its reason.
Descriptor open_folder(const std::string& path);

}  // namespace dorvane::os
