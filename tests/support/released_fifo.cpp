#include "support/released_fifo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace dorvane::testing {

ReleasedFifo::ReleasedFifo(std::string path, std::chrono::seconds patience) : path_(std::move(path)) {
    if (::mkfifo(path_.c_str(), 0644) != 0) throw std::runtime_error("cannot make the FIFO " + path_);
    writer_ = std::thread([this, until = std::chrono::steady_clock::now() + patience] {
        const auto step = std::chrono::milliseconds(10);
        while (!done_ && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(step);
        while (!done_) {
            // Opening to write without waiting succeeds only while a reader
            // has it open. What takes the FIFO's place is left alone.
            struct stat info {};
            if (::lstat(path_.c_str(), &info) == 0 && S_ISFIFO(info.st_mode)) {
                const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
                if (fd >= 0) {
                    ++released_;
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(step);
        }
    });
}

ReleasedFifo::~ReleasedFifo() {
    done_ = true;
    writer_.join();
}

}  // namespace dorvane::testing
