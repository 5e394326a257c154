// Test only: a file system without unnamed files (NFS, CIFS, vfat, some
// overlays), which refuses O_TMPFILE with EOPNOTSUPP, so that a new file
// must be given a name of its own first. The test program's own openat(2)
// stands in front of the C library's, passing every call on except, while
// a NoUnnamedFiles lives, those that ask for an unnamed file.
#pragma once

#include <string>

namespace dorvane::testing {

class NoUnnamedFiles {
public:
    NoUnnamedFiles();
    ~NoUnnamedFiles();
    NoUnnamedFiles(const NoUnnamedFiles&) = delete;
    NoUnnamedFiles& operator=(const NoUnnamedFiles&) = delete;

    // How many unnamed files were refused so far.
    int refused() const;

    // Another process takes the next name that is created: just before the
    // call, a file holding `bytes` appears at that name, as in a race with
    // someone else in the same folder. Its path, once taken; empty before.
    void take_next_name(const std::string& bytes);
    std::string taken_name() const;
};

}  // namespace dorvane::testing
