// The message box on POSIX: a prompt that waits for Enter on a terminal, and
// never a wait when nobody is there.
#include "os/message_box.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <string>

namespace dorvane::os {
namespace {

// Points standard input and standard error at `fd` for the test's length.
class Redirected {
public:
    explicit Redirected(int fd) : in_(dup(STDIN_FILENO)), err_(dup(STDERR_FILENO)) {
        dup2(fd, STDIN_FILENO);
        dup2(fd, STDERR_FILENO);
    }
    ~Redirected() {
        dup2(in_, STDIN_FILENO);
        dup2(err_, STDERR_FILENO);
        close(in_);
        close(err_);
    }

private:
    int in_, err_;
};

std::string drain(int fd) {
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
    return out;
}

TEST(MessageBox, OnATerminalShowsTheTextAndWaitsForEnter) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(write(master, "\n", 1), 1);  // the answer is waiting before the box
    {
        Redirected redirected(slave);
        message_box("Table 'PUB.x' doesn't exist");
    }
    close(slave);
    fcntl(master, F_SETFL, O_NONBLOCK);
    const std::string screen = drain(master);
    close(master);
    EXPECT_NE(screen.find("dorvane: Table 'PUB.x' doesn't exist"), std::string::npos) << screen;
    EXPECT_NE(screen.find("[Intro]"), std::string::npos) << screen;
}

TEST(MessageBox, WithoutATerminalWritesTheTextAndGoesOn) {
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    {
        Redirected redirected(pipe_fds[1]);  // nothing will ever be typed here
        message_box("denied");
    }
    close(pipe_fds[1]);
    EXPECT_EQ(drain(pipe_fds[0]), "dorvane: denied\n");
    close(pipe_fds[0]);
}

}  // namespace
}  // namespace dorvane::os
