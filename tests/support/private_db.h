// The private MariaDB server that the test command starts, seen from a
// test: SQL as its root user, data sources, and runs of the real program.
#pragma once

#include <string>
#include <vector>

namespace dorvane::testing {

// The directory that scripts/private-db.sh started the server in
// (DORVANE_TEST_DB_DIR). Raises when the server was not started.
std::string private_db_dir();

// Runs `statements` as the server's root user; the rows printed, tab
// separated. Raises when the client fails.
std::string sql(const std::string& statements);
// The same, on the server started in `db_dir`.
std::string sql_on(const std::string& db_dir, const std::string& statements);

// One catalogue row; an empty optional stands for NULL.
struct CatalogueRow {
    int id;
    const char* owner;
    const char* tbl;
};
// Replaces the catalogue with `rows`, in this order.
void set_catalogue(const std::vector<CatalogueRow>& rows);

// userSQL's table privileges, one "db.table=privileges" per line, sorted.
std::string grants_of_usersql();

// The statements that sysprogress sent since `start_statement_log`, in
// order, leaving out the driver's own set-up queries, and the reads of the
// privilege catalogues unless they are asked for.
void start_statement_log();
std::vector<std::string> logged_statements(bool with_privilege_reads = false);
// How many times sysprogress connected since `start_statement_log`.
int logged_connections();

// A directory to use as ODBCSYSINI, with the driver and an odbc.ini holding
// `odbc_ini` (where "@SOCKET@" stands for the server's socket).
void write_odbc_config(const std::string& dir, const std::string& odbc_ini);

// odbc.ini sections for the three data sources on the private server,
// except those named in `missing` and those in `unreachable`, which point at
// a socket where nothing answers.
std::string three_data_sources(const std::vector<std::string>& missing = {},
                               const std::vector<std::string>& unreachable = {});

// What the program is started under, from DORVANE_TEST_WRAPPER (for
// instance valgrind), followed by a blank; empty when unset.
std::string program_wrapper();

// How long one command may take, a run under valgrind on a slow, loaded
// machine included; timeout(1) ends it with status 124 after that.
constexpr int command_limit_seconds = 600;

// Runs `command` with `input` on its standard input; its standard output.
// With `status`, a failure is not raised but given there, and the standard
// error is given in `error_output` where that is asked for, or else after
// the standard output. A command still running after `limit_seconds` is
// stopped, and says so.
std::string run(const std::string& command, const std::string& input, int* status = nullptr,
                std::string* error_output = nullptr, int limit_seconds = command_limit_seconds);

// `text` as one word of the shell.
std::string shell_quote(const std::string& text);

// A run of the real executable, copied into `program_dir` and started from
// another working directory with ODBCSYSINI=`odbc_dir`, with `arguments`
// (shell words) and under `launcher` (a command that runs the rest, such as
// setpriv), where given. Its metrics folder is `metrics_dir` (a folder of
// its own when empty), never the machine's: see own_metrics_folder. It is
// stopped after `limit_seconds`.
struct ProgramRun {
    int exit_status;
    std::string standard_error;
    std::string standard_output;
};
ProgramRun run_program(const std::string& program_dir, const std::string& odbc_dir,
                       const std::string& arguments = "", const std::string& launcher = "",
                       const std::string& metrics_dir = "", const std::string& program_file = DORVANE_EXE,
                       int limit_seconds = command_limit_seconds);

// The shell words that run a command with `metrics_dir` in place of the
// machine's metrics folder, in a mount namespace of its own
// (scripts/own-metrics-folder.sh); the command keeps the same pid.
std::string own_metrics_folder(const std::string& metrics_dir);

// Why no metrics folder of a test's own can be given on this machine (no
// private mount namespace, a chroot); empty where one can. Asked once.
const std::string& metrics_folder_trouble();

}  // namespace dorvane::testing
