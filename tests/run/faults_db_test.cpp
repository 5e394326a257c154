// Faults from outside: the database server dying under a run, a server
// that is down, and the program itself killed while it rewrites odbc.ini.
// Each test runs its own server, which it may kill.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "registry/ini_file.h"
#include "run/run_metrics.h"
#include "support/private_db.h"
#include "support/temp_dir.h"

extern char** environ;

namespace dorvane::testing {
namespace {

std::string script(const std::string& args) {
    return std::string("bash ") + DORVANE_SOURCE_DIR + "/scripts/private-db.sh " + args + " >/dev/null 2>&1";
}

// A private server of this test's own, stopped (or already dead) at the end.
class OwnServer {
public:
    OwnServer() {
        int status = -1;
        const std::string words = run(std::string("bash ") + DORVANE_SOURCE_DIR + "/scripts/private-db.sh start " +
                                          shell_quote(dir.path()),
                                      "", &status);
        if (status != 0) throw std::runtime_error("the test's own server did not start: " + words);
    }
    // A server that will not stop is killed by the script: its status adds
    // nothing, and a destructor has nowhere to report it.
    ~OwnServer() { [[maybe_unused]] const int status = std::system(script("stop " + dir.path()).c_str()); }
    std::string sql(const std::string& statements) { return sql_on(dir.path(), statements); }
    void signal(int number) { ::kill(pid(), number); }
    void kill_hard() {
        const pid_t pid = this->pid();
        ::kill(pid, SIGKILL);
        while (::kill(pid, 0) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    TempDir dir;

private:
    pid_t pid() { return std::stoi(read_bytes(dir / "mysqld.pid")); }
};

// The program, copied into `program_dir`, where it will keep its log.
void install_program(const std::string& program_dir) {
    std::filesystem::copy_file(DORVANE_EXE, program_dir + "/dorvane", std::filesystem::copy_options::overwrite_existing);
}

struct StartOptions {
    bool bare = false;  // not under the test wrapper
    int terminal = -1;  // a terminal for standard input and error, else /dev/null and a file
};

// Starts the program installed in `program_dir`, standard output and error
// in files there, under the test wrapper unless `bare`; returns its pid.
pid_t start_program(const std::string& program_dir, const std::string& odbc_dir, StartOptions options = {}) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    const std::string out = program_dir + "/stdout", err = program_dir + "/stderr";
    if (options.terminal >= 0) {
        posix_spawn_file_actions_adddup2(&files, options.terminal, 0);
        posix_spawn_file_actions_adddup2(&files, options.terminal, 2);
    } else {
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> env = {"ODBCSYSINI=" + odbc_dir, "PATH=/usr/bin:/bin", "LANG=C.UTF-8"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = program_dir + "/dorvane";
    // Its metrics go to a folder of its own; the pid stays the program's.
    std::filesystem::create_directories(program_dir + "/metrics");
    std::string shell = "/bin/sh", dash_c = "-c",
                command = "exec " + own_metrics_folder(program_dir + "/metrics") +
                          (options.bare ? std::string() : program_wrapper()) + "\"$0\"";
    std::vector<char*> argv = {shell.data(), dash_c.data(), command.data(), exe.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

int exit_status(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

// The exit status, or -1 when the program is still running after `limit`
// (it is then killed): a guard, far beyond what a run should take.
int wait_status_within(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (int status = 0;; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
        if (waitpid(pid, &status, WNOHANG) == pid) return exit_status(status);
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
    }
}

// How long any run may take here, under valgrind on a slow, loaded machine
// included: a program that stalls fails its test instead of holding the
// suite.
constexpr std::chrono::seconds run_limit{600};

int wait_status(pid_t pid) { return wait_status_within(pid, run_limit); }

// The data sources of a test's own server, with the driver's own time
// limits short, so that a server that stops answering fails a run soon.
std::string data_sources_at(const std::string& socket) {
    std::string ini = "; three data sources on one server\n";
    for (const char* name : {"VistasQuendar", "VistasQuendar1", "VistasQuendar2"})
        ini += std::string("\n[") + name + "]\nDriver = MariaDB\nSocket = " + socket +
               "\nDatabase = sysprogress\nCONN_TIMEOUT = 3\nREAD_TIMEOUT = 3\nWRITE_TIMEOUT = 3\n";
    return ini;
}

// The revokes that the server has seen.
int revokes_seen(OwnServer& server) {
    const std::string count = server.sql("SHOW GLOBAL STATUS LIKE 'Com_revoke';");
    return count.size() > 11 ? std::stoi(count.substr(11)) : 0;
}

// Whether the server has seen 200 revokes more than `before`, waiting for
// them as long as the program `pid` runs, up to the run's limit: false when
// it ended first (it is left to be reaped) or stalled (it is killed, and
// left to be reaped).
bool walk_under_way(OwnServer& server, pid_t pid, int before = 0) {
    const auto deadline = std::chrono::steady_clock::now() + run_limit;
    for (;; std::this_thread::sleep_for(std::chrono::milliseconds(2))) {
        if (revokes_seen(server) >= before + 200) return true;
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
            return false;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            return false;
        }
    }
}

// Three thousand tables of PUB, long enough a walk to stop in the middle:
// the statements that make them, and those that put them in the catalogue.
struct CatalogueOfThousands {
    std::string tables = "CREATE DATABASE \"PUB\";";
    std::string catalogue = "INSERT INTO sysprogress.systables (id, owner, tbl) VALUES ";
    CatalogueOfThousands() {
        for (int i = 1; i <= 3000; ++i) {
            const std::string n = std::to_string(i);
            tables += "CREATE TABLE \"PUB\".\"t" + n + "\" (id INT) ENGINE=MyISAM;";
            catalogue += (i > 1 ? ",(" : "(") + n + ",'PUB','t" + n + "')";
        }
        catalogue += ";";
    }
};

// How the server is lost mid-walk: killed, or frozen so that it keeps its
// connections and never answers, which the driver's read timeout ends.
enum class Loss { killed, frozen };

class ServerLost : public ::testing::TestWithParam<Loss> {};

TEST_P(ServerLost, DuringAWalkEndsTheRunWithItsErrorInBoundedTime) {
    OwnServer server;
    const CatalogueOfThousands tables;
    server.sql(tables.tables + tables.catalogue);
    TempDir program, odbc;
    write_odbc_config(odbc.path(), data_sources_at(server.dir / "mysqld.sock"));
    const std::string settings_before = read_bytes(odbc / "odbc.ini");

    install_program(program.path());
    const pid_t pid = start_program(program.path(), odbc.path());
    ASSERT_GT(pid, 0);
    // Kill the server once the walk is well under way, however long the
    // program takes to get there.
    ASSERT_TRUE(walk_under_way(server, pid)) << "the program ended, or stalled, before its walk was under way";
    if (GetParam() == Loss::killed) server.kill_hard();
    if (GetParam() == Loss::frozen) server.signal(SIGSTOP);
    const int status = wait_status_within(pid, std::chrono::seconds(120));
    if (GetParam() == Loss::frozen) server.signal(SIGCONT);
    ASSERT_NE(status, -1) << "the run still waits on a server that stopped answering";
    EXPECT_EQ(status, 1);

    const std::string error = read_bytes(program / "stderr");
    const std::size_t last = error.rfind("dorvane: error ");
    ASSERT_NE(last, std::string::npos) << error;
    const std::string fatal = error.substr(last);
    EXPECT_TRUE(fatal.rfind("dorvane: error 2013: ", 0) == 0 || fatal.rfind("dorvane: error 2006: ", 0) == 0) << fatal;
    const std::string log = read_bytes(program / "dorvane.log");
    EXPECT_EQ(log.find("Programa finalizado."), std::string::npos);
    EXPECT_NE(log.find(" -> 20"), std::string::npos) << "the lost statement is logged";
    // The settings written before the work are there, and the file is whole.
    const std::string settings = read_bytes(odbc / "odbc.ini");
    EXPECT_EQ(settings.find("READ UNCOMMITTED"), std::string::npos);
    std::string expected = settings_before;
    for (const char* name : {"VistasQuendar", "VistasQuendar1", "VistasQuendar2"}) {
        expected = *modRegistro::set_ini_value(expected, name, "DefaultIsolationLevel", "REPEATABLE READ");
        expected = *modRegistro::set_ini_value(expected, name, "ArraySize", "1000");
    }
    EXPECT_EQ(settings, expected);
}

// The metrics file that runs of the program in `program_dir` publish; empty
// where there is none.
std::string metrics_of(const std::string& program_dir) {
    const std::string path = program_dir + "/metrics/dorvane.prom";
    return std::filesystem::exists(path) ? read_bytes(path) : "";
}

// A sample's value in a metrics file, or "absent".
std::string sample_in(const std::string& metrics, const std::string& name) {
    const std::size_t at = metrics.find("\n" + name + " ");
    if (at == std::string::npos) return "absent";
    const std::size_t from = at + name.size() + 2;
    return metrics.substr(from, metrics.find('\n', from) - from);
}

// A run that never ends (its server frozen, the run killed by whoever
// waits for it, as a scheduler's limit does) leaves the previous night's
// gauges as they were, under a start that is newer than their end.
TEST(Faults, ARunKilledMidWalkLeavesItsStartNewerThanTheLastEnd) {
    OwnServer server;
    const CatalogueOfThousands tables;
    server.sql(tables.tables);
    TempDir program, odbc;
    write_odbc_config(odbc.path(), data_sources_at(server.dir / "mysqld.sock"));
    install_program(program.path());
    // The night before: an empty catalogue, a clean run.
    const pid_t before = start_program(program.path(), odbc.path());
    ASSERT_EQ(wait_status(before), 0) << read_bytes(program / "stderr");
    const std::string night_before = metrics_of(program.path());
    if (night_before.empty()) GTEST_SKIP() << "no metrics folder of the test's own here";

    server.sql(tables.catalogue);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // its start falls in a later second
    const int revokes_before = revokes_seen(server);
    const pid_t pid = start_program(program.path(), odbc.path());
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(walk_under_way(server, pid, revokes_before)) << "the run ended, or stalled, before its walk";
    server.signal(SIGSTOP);
    ::kill(pid, SIGKILL);
    const int status = wait_status_within(pid, std::chrono::seconds(60));
    server.signal(SIGCONT);
    EXPECT_EQ(status, 128 + SIGKILL);

    const std::string left = metrics_of(program.path());
    const std::string start = sample_in(left, "dorvane_last_start_timestamp_seconds");
    ASSERT_NE(start, "absent") << left;
    EXPECT_GT(std::stoll(start), std::stoll(sample_in(left, "dorvane_last_run_timestamp_seconds"))) << left;
    EXPECT_EQ(sample_in(left, "dorvane_last_run_exit_status"), "0");
    EXPECT_EQ(left, start_metrics_text(night_before, std::chrono::system_clock::time_point(
                                                         std::chrono::seconds(std::stoll(start)))));
}

INSTANTIATE_TEST_SUITE_P(Faults, ServerLost, ::testing::Values(Loss::killed, Loss::frozen),
                         [](const auto& info) { return info.param == Loss::killed ? "Killed" : "Frozen"; });

TEST(Faults, ServerDownBeforeTheRunGivesThreeLinesAndAnIncompleteEnd) {
    OwnServer server;
    server.kill_hard();
    TempDir program, odbc;
    write_odbc_config(odbc.path(), data_sources_at(server.dir / "mysqld.sock"));
    install_program(program.path());
    const pid_t pid = start_program(program.path(), odbc.path());
    ASSERT_GT(pid, 0);
    EXPECT_EQ(wait_status(pid), 3);  // it reached its end, but did nothing
    const std::string prefix = "Error para  ODBC --> ";
    const std::string log = read_bytes(program / "dorvane.log");
    std::size_t at = 0;
    for (const char* name : {"VistasQuendar ", "VistasQuendar1 ", "VistasQuendar2 "}) {
        at = log.find(prefix + name + "-> 2002 -> ", at);
        EXPECT_NE(at, std::string::npos) << log;
    }
    EXPECT_EQ(log.substr(log.size() - 22), "Programa finalizado.\r\n");
    const std::string settings = read_bytes(odbc / "odbc.ini");
    std::size_t isolation_lines = 0;
    for (std::size_t p = 0; (p = settings.find("DefaultIsolationLevel=READ UNCOMMITTED\n", p)) != std::string::npos; ++p)
        ++isolation_lines;
    EXPECT_EQ(isolation_lines, 3u);
}

// What the terminal `master` shows until `text` appears; stops early, with
// what it has, when the program on the other side ends or has shown
// nothing new for the run's limit.
std::string read_until(int master, const std::string& text) {
    std::string screen;
    char buffer[256];
    while (screen.find(text) == std::string::npos) {
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(std::chrono::milliseconds(run_limit).count())) != 1) break;
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        screen.append(buffer, static_cast<std::size_t>(n));
    }
    return screen;
}

TEST(Faults, ASecondRunWhileTheFirstHoldsTheLogEndsWithStatusOneAndTouchesNothing) {
    // A table whose grant fails, so that a run on a terminal stops at its
    // message until Enter: the first run holds its log open there.
    sql("CREATE DATABASE IF NOT EXISTS \"PUB\"; CREATE TABLE IF NOT EXISTS \"PUB\".\"clientes\" (id INT);"
        "GRANT SELECT ON \"PUB\".\"clientes\" TO 'userSQL'; DROP TABLE IF EXISTS \"PUB\".\"ghost\";");
    set_catalogue({{1, "PUB", "clientes"}, {2, "PUB", "ghost"}});
    TempDir lone, program, odbc;
    // One data source to work on: one message.
    write_odbc_config(odbc.path(), three_data_sources({}, {"VistasQuendar1", "VistasQuendar2"}));
    const ProgramRun alone = run_program(lone.path(), odbc.path());
    ASSERT_EQ(alone.exit_status, 3) << alone.standard_error;
    const std::string lone_log = read_bytes(lone / "dorvane.log");

    int master = -1, terminal = -1;
    ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);  // the program has the terminal's other side only
    ::fcntl(terminal, F_SETFD, FD_CLOEXEC);
    install_program(program.path());
    StartOptions on_terminal;
    on_terminal.terminal = terminal;
    const pid_t first = start_program(program.path(), odbc.path(), on_terminal);
    ::close(terminal);
    ASSERT_GT(first, 0);
    const std::string screen = read_until(master, "[Intro]");
    const std::string log_while_held = read_bytes(program / "dorvane.log");
    const std::string metrics_while_held = metrics_of(program.path());

    const pid_t second = start_program(program.path(), odbc.path());
    const int second_status = wait_status(second);
    const std::string log_after_second = read_bytes(program / "dorvane.log");
    const std::string metrics_after_second = metrics_of(program.path());
    ASSERT_EQ(::write(master, "\n", 1), 1);  // the first run's box is answered
    const int first_status = wait_status(first);
    ::close(master);

    ASSERT_NE(screen.find("[Intro]"), std::string::npos) << screen;
    EXPECT_EQ(second_status, 1);
    EXPECT_EQ(read_bytes(program / "stderr"), "dorvane: error 11: Another run is using the log " +
                                                  program.path() + "/dorvane.log\n");
    EXPECT_EQ(log_after_second, log_while_held);
    // The first run's start, and nothing of the second's.
    EXPECT_EQ(metrics_after_second, metrics_while_held);
    if (!metrics_while_held.empty()) {
        EXPECT_NE(sample_in(metrics_while_held, "dorvane_last_start_timestamp_seconds"), "absent");
        EXPECT_EQ(sample_in(metrics_while_held, "dorvane_last_run_exit_status"), "absent");
    }
    EXPECT_EQ(first_status, 3);  // its grant failed
    EXPECT_EQ(read_bytes(program / "dorvane.log"), lone_log);
}

TEST(Faults, KilledWhileRewritingOdbcIniLeavesTheOldOrTheNewFile) {
    // A large file widens the window in which a rewrite is under way.
    std::string original = data_sources_at("/nonexistent/mysqld.sock");
    for (int i = 0; i < 20000; ++i) original += "; padding line " + std::to_string(i) + " to make rewriting slow\n";
    std::set<std::string> states = {original};
    std::string state = original;
    for (const char* name : {"VistasQuendar", "VistasQuendar1", "VistasQuendar2"}) {
        states.insert(state = *modRegistro::set_ini_value(state, name, "DefaultIsolationLevel", "REPEATABLE READ"));
        states.insert(state = *modRegistro::set_ini_value(state, name, "ArraySize", "1000"));
    }
    for (const char* name : {"VistasQuendar", "VistasQuendar1", "VistasQuendar2"})
        states.insert(state = *modRegistro::set_ini_value(state, name, "DefaultIsolationLevel", "READ UNCOMMITTED"));

    TempDir program, odbc;
    install_program(program.path());
    StartOptions bare;
    bare.bare = true;
    // One whole run first, timed, so that the kills spread over a run as it
    // takes on this machine, however fast or slow and busy it is; the run
    // before it warms the caches, so that the timed one is not slower than
    // those that follow.
    write_odbc_config(odbc.path(), original);
    const pid_t warming = start_program(program.path(), odbc.path(), bare);
    ASSERT_GT(warming, 0);
    ASSERT_EQ(wait_status(warming), 3);  // no server behind the data sources
    write_bytes(odbc / "odbc.ini", original);
    const auto started = std::chrono::steady_clock::now();
    const pid_t whole = start_program(program.path(), odbc.path(), bare);
    ASSERT_GT(whole, 0);
    ASSERT_EQ(wait_status(whole), 3);
    const auto run_time = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(read_bytes(odbc / "odbc.ini"), state) << "a whole run ends with the last settings";

    std::mt19937 random(20261208);
    std::uniform_int_distribution<long long> delay_us(
        0, std::chrono::duration_cast<std::chrono::microseconds>(run_time).count());
    // At least 20 kills; more, up to 200, until they have fallen at three
    // different moments of the run, which the random delays reach sooner
    // or later however the machine's speed varies between runs.
    std::set<std::string> seen;
    for (int round = 0; round < 200 && (round < 20 || seen.size() < 3); ++round) {
        write_bytes(odbc / "odbc.ini", original);
        const pid_t pid = start_program(program.path(), odbc.path(), bare);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
        ::kill(pid, SIGKILL);
        wait_status(pid);
        const std::string after = read_bytes(odbc / "odbc.ini");
        ASSERT_EQ(states.count(after), 1u) << "round " << round << ": a file that is neither old nor new";
        seen.insert(after);
    }
    EXPECT_GE(seen.size(), 3u) << "200 kills all fell at the same one or two moments of the run";
}

}  // namespace
}  // namespace dorvane::testing
