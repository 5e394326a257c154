// POSIX file descriptors: owned, and read or written whole.
#pragma once

#include <string>

namespace dorvane::os {

// A descriptor, closed once: by close(), which reports what closing says
// (a write the system reports late), or else when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();

    int get() const { return fd_; }
    void close();

private:
    int fd_;
};

// Closes `fd`, which is released even when closing fails; raises what
// closing reports (a write the system reports late).
void close_descriptor(int fd);

// All of `bytes`, through interruptions; raises the system's error.
void write_all(int fd, const std::string& bytes);

// Everything from `fd` to its end; raises the system's error.
std::string read_all(int fd);

// What `fd` holds up to its end or `limit` bytes, whichever comes first;
// raises the system's error.
std::string read_at_most(int fd, std::size_t limit);

}  // namespace dorvane::os
