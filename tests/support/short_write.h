// Test only: write(2) as a pipe, a socket or a full disk may answer it,
// with fewer bytes than asked. The test program's own write stands in front
// of the C library's, passing every call on except the first one of more
// than one byte while a ShortWrite lives, which writes only half of them.
#pragma once

namespace dorvane::testing {

class ShortWrite {
public:
    ShortWrite();
    ~ShortWrite();
    ShortWrite(const ShortWrite&) = delete;
    ShortWrite& operator=(const ShortWrite&) = delete;

    // How many calls were cut short so far (at most one).
    int shortened() const;
};

}  // namespace dorvane::testing
