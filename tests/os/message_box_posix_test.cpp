// The message box on POSIX: a prompt that waits for Enter on a terminal, and
// never a wait when nobody is there.
#include "os/message_box.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "support/made_locale.h"

namespace dorvane::os {
namespace {

// Points standard input and standard error at `fd` (or at `in` and `err`)
// for the test's length.
class Redirected {
public:
    explicit Redirected(int fd) : Redirected(fd, fd) {}
    Redirected(int in, int err) : in_(dup(STDIN_FILENO)), err_(dup(STDERR_FILENO)) {
        dup2(in, STDIN_FILENO);
        dup2(err, STDERR_FILENO);
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

// Everything written to `fd` until its writers are gone: a pipe's end of
// file, or the EIO of a terminal whose other side has been closed.
std::string drain(int fd) {
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
    return out;
}

// A terminal (`master` the person's side, `slave` the program's) without
// echo: the terminal echoes typed input on its own schedule, which would
// land anywhere in the screen, and the screen must be the program's alone.
// False when the terminal cannot be had.
bool quiet_terminal(int& master, int& slave) {
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
    termios mode {};
    if (tcgetattr(slave, &mode) != 0) return false;
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    return tcsetattr(slave, TCSANOW, &mode) == 0;
}

TEST(MessageBox, OnATerminalShowsTheTextAndWaitsForEnter) {
    int master = -1, slave = -1;
    ASSERT_TRUE(quiet_terminal(master, slave));
    ASSERT_EQ(write(master, "\n", 1), 1);  // the answer is waiting before the box
    {
        Redirected redirected(slave);
        message_box("Table 'PUB.x' doesn't exist");
    }
    int unread = -1;
    ASSERT_EQ(ioctl(slave, FIONREAD, &unread), 0);
    EXPECT_EQ(unread, 0) << "the answer was read";
    close(slave);
    const std::string screen = drain(master);
    close(master);
    EXPECT_EQ(screen, "dorvane: Table 'PUB.x' doesn't exist\r\n[Intro] ");
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

// A terminal on one side only is nobody to answer: a person at a terminal
// that is only standard input never sees the prompt, and one who sees it
// on standard error cannot type into a standard input that is not theirs.
// The answer typed in advance stays unread; no prompt is shown.
TEST(MessageBox, WithATerminalOnOneSideOnlyNeverWaits) {
    int master = -1, slave = -1;
    ASSERT_TRUE(quiet_terminal(master, slave));
    ASSERT_EQ(write(master, "\n", 1), 1);
    // The terminal hands typed input on when it gets to it: wait until the
    // answer can be read, so that "unread" below says what the box did.
    pollfd typed{slave, POLLIN, 0};
    ASSERT_EQ(poll(&typed, 1, -1), 1);
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    {
        Redirected redirected(slave, pipe_fds[1]);  // a terminal for input only
        message_box("denied");
    }
    close(pipe_fds[1]);
    EXPECT_EQ(drain(pipe_fds[0]), "dorvane: denied\n");
    close(pipe_fds[0]);
    int unread = -1;
    ASSERT_EQ(ioctl(slave, FIONREAD, &unread), 0);
    EXPECT_EQ(unread, 1) << "the answer was read";

    const int nothing = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(nothing, 0);
    {
        Redirected redirected(nothing, slave);  // a terminal for the text only
        message_box("denied");
    }
    close(nothing);
    close(slave);
    const std::string screen = drain(master);
    close(master);
    EXPECT_EQ(screen, "dorvane: denied\r\n");
}

// What the program writes is in the locale's character set, as a terminal
// or a journal of that machine reads it: "año" in a Latin-1 locale is four
// bytes, never UTF-8's five.
TEST(MessageBox, AWarningIsWrittenInTheLocalesCharacterSet) {
    const testing::MadeLocale latin1("es_ES", "ISO-8859-1");
    if (!latin1.made()) GTEST_SKIP() << "localedef cannot make es_ES.ISO-8859-1 here";
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    {
        const Redirected to_pipe(STDIN_FILENO, pipe_ends[1]);
        warn(Warning::setting_not_written, "a\xC3\xB1o");
    }
    close(pipe_ends[1]);
    EXPECT_EQ(drain(pipe_ends[0]), "dorvane: warning: a\xF1o\n");
    close(pipe_ends[0]);
}

// Only the very stream that systemd named is the journal's: another socket
// or pipe on the same device (one of the unit's own, say) gets its lines
// as they are, since a prefix there would be text that nobody reads as a
// priority.
TEST(MessageBox, OnlyTheStreamThatJournalStreamNamesGetsPriorities) {
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    struct stat stream {};
    ASSERT_EQ(fstat(pipe_ends[1], &stream), 0);
    const auto device = static_cast<unsigned long long>(stream.st_dev);
    const auto inode = static_cast<unsigned long long>(stream.st_ino);
    const char* before = std::getenv("JOURNAL_STREAM");
    const std::string saved = before != nullptr ? before : "";
    for (const auto& [named, prefix] : {std::pair{std::to_string(device) + ":" + std::to_string(inode), "<4>"},
                                        std::pair{std::to_string(device) + ":" + std::to_string(inode + 1), ""},
                                        std::pair{std::to_string(device + 1) + ":" + std::to_string(inode), ""}}) {
        setenv("JOURNAL_STREAM", named.c_str(), 1);
        const Redirected to_pipe(STDIN_FILENO, pipe_ends[1]);
        warn(Warning::setting_not_written, "x");
    }
    if (before != nullptr) setenv("JOURNAL_STREAM", saved.c_str(), 1);
    else unsetenv("JOURNAL_STREAM");
    close(pipe_ends[1]);
    EXPECT_EQ(drain(pipe_ends[0]), "<4>dorvane: warning: x\ndorvane: warning: x\ndorvane: warning: x\n");
    close(pipe_ends[0]);
}

}  // namespace
}  // namespace dorvane::os
