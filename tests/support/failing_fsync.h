// Test only: fsync(2) as a failing disk answers it. The test program's own
// fsync stands in front of the C library's, passing every call on except
// while a FailingFsync lives, when each one fails with EIO.
#pragma once

namespace dorvane::testing {

class FailingFsync {
public:
    FailingFsync();
    ~FailingFsync();
    FailingFsync(const FailingFsync&) = delete;
    FailingFsync& operator=(const FailingFsync&) = delete;

    // How many calls failed so far.
    int failed() const;
};

}  // namespace dorvane::testing
