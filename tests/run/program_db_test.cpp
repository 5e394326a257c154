// The real executable against the private MariaDB: what a run leaves in
// its log, in odbc.ini and in the exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "support/private_db.h"
#include "support/temp_dir.h"

namespace dorvane::testing {
namespace {

// A catalogue that a steady-state run processes on every data source
// without a single failure: PUB tables only, already granted.
void steady_state_catalogue() {
    sql("CREATE DATABASE IF NOT EXISTS \"PUB\";"
        "CREATE TABLE IF NOT EXISTS \"PUB\".\"clientes\" (id INT);"
        "CREATE TABLE IF NOT EXISTS \"PUB\".\"facturas\" (id INT);"
        "GRANT SELECT ON \"PUB\".\"clientes\" TO 'userSQL';"
        "GRANT SELECT ON \"PUB\".\"facturas\" TO 'userSQL';");
    set_catalogue({{1, "PUB", "clientes"}, {2, "PUB", "facturas"}});
}

// The program is installed under a path longer than any first guess at
// its length (256 bytes): the log is beside it all the same.
TEST(Program, CleanRunLeavesOnlyTheClosingLineAndReplacesTheLastLog) {
    TempDir top, odbc;
    const std::string program = top / (std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + std::string(100, 'f'));
    std::filesystem::create_directories(program);
    write_odbc_config(odbc.path(), three_data_sources());
    steady_state_catalogue();
    write_bytes(program + "/dorvane.log", "a line of an earlier run\r\n");

    const ProgramRun run = run_program(program, odbc.path());
    EXPECT_EQ(run.exit_status, 0) << run.standard_error;
    EXPECT_EQ(run.standard_error, "");
    EXPECT_EQ(read_bytes(program + "/dorvane.log"), "Programa finalizado.\r\n");
}

TEST(Program, SettingsAreResetAndCommentsKept) {
    TempDir program, odbc;
    write_odbc_config(odbc.path(), "# kept comment\r\n" + three_data_sources({"VistasQuendar2"}) +
                                       "\r\n[Unrelated]\r\nArraySize = 7\r\n");
    steady_state_catalogue();
    const std::string before = read_bytes(odbc / "odbc.ini");

    const ProgramRun run = run_program(program.path(), odbc.path());
    ASSERT_EQ(run.exit_status, 3) << run.standard_error;  // VistasQuendar2 is not defined
    const std::string after = read_bytes(odbc / "odbc.ini");
    std::string expected = before;
    for (const std::string section : {"[VistasQuendar]", "[VistasQuendar1]"}) {
        const std::string last_entry = "WRITE_TIMEOUT = 10\n";
        const std::size_t at = expected.find(last_entry, expected.find(section));
        expected.insert(at + last_entry.size(), "DefaultIsolationLevel=READ UNCOMMITTED\nArraySize=1000\n");
    }
    EXPECT_EQ(after, expected);
    EXPECT_EQ(read_bytes(program / "dorvane.log"),
              "Error para  ODBC --> VistasQuendar2 -> -2147467259 -> [unixODBC][Driver Manager]Data source "
              "name not found and no default driver specified\r\nPrograma finalizado.\r\n");
}

// One call as unixODBC's trace shows it on entry: the function and its
// arguments by name.
struct TracedCall {
    std::string function;
    std::map<std::string, std::string> arguments;

    // The argument's value as traced; empty when the call has none of that name.
    std::string argument(const char* name) const {
        const auto found = arguments.find(name);
        return found == arguments.end() ? std::string() : found->second;
    }
};

std::vector<TracedCall> traced_calls(const std::string& trace) {
    std::vector<TracedCall> calls;
    std::istringstream lines(trace);
    std::string function;  // of the last header: "[ODBC][pid][time][SQLSetStmtAttrW.c][166]"
    bool in_entry = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("[ODBC]", 0) == 0) {
            const std::size_t file = line.rfind("][", line.rfind("][") - 1) + 2;
            function = line.substr(file, line.find(".c]", file) - file);
            in_entry = false;
        } else if (line.find("Entry:") != std::string::npos) {
            calls.push_back({function, {}});
            in_entry = true;
        } else if (line.find("Exit:") != std::string::npos) {
            in_entry = false;
        } else if (in_entry && line.find(" = ") != std::string::npos) {
            const std::size_t start = line.find_first_not_of('\t'), equals = line.find(" = ");
            calls.back().arguments[line.substr(start, equals - start)] = line.substr(equals + 3);
        }
    }
    return calls;
}

TEST(Program, EveryConnectionAndEveryStatementCarriesItsTimeLimit) {
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources({}, {"VistasQuendar2"}));
    write_bytes(odbc / "odbcinst.ini",
                read_bytes(odbc / "odbcinst.ini") + "\n[ODBC]\nTrace = Yes\nTraceFile = " + (odbc / "trace") + "\n");
    steady_state_catalogue();
    const ProgramRun run = run_program(program.path(), odbc.path());
    ASSERT_EQ(run.exit_status, 3) << run.standard_error;  // VistasQuendar2 has no server

    std::set<std::string> limited_connections, limited_statements;
    std::size_t connects = 0, statements = 0;
    for (const TracedCall& call : traced_calls(read_bytes(odbc / "trace"))) {
        if (call.function == "SQLSetConnectAttrW" && call.argument("Attribute") == "SQL_ATTR_LOGIN_TIMEOUT" &&
            call.argument("Value") == "0xf")
            limited_connections.insert(call.argument("Connection"));
        if (call.function == "SQLSetStmtAttrW" && call.argument("Attribute") == "SQL_ATTR_QUERY_TIMEOUT" &&
            call.argument("Value") == "0x1e")
            limited_statements.insert(call.argument("Statement"));
        if (call.function == "SQLDriverConnectW") {
            ++connects;
            EXPECT_EQ(limited_connections.count(call.argument("Connection")), 1u) << "15 s to connect, set before";
        }
        if (call.function == "SQLExecDirectW") {
            ++statements;
            EXPECT_EQ(limited_statements.count(call.argument("Statement")), 1u) << "30 s for each statement";
        }
    }
    EXPECT_EQ(connects, 3u);
    // Per data source: the catalogue, two revokes, two grants, the three
    // privilege catalogues and the shape of the first.
    EXPECT_EQ(statements, 2u * (1 + 2 + 2 + 4));
}

// Drivers that close cursors at each commit, or allow one active statement
// per connection, need the catalogue's result read and closed before the
// first statement: nothing may be fetched from it after that, however long
// the catalogue.
TEST(Program, TheCatalogueIsReadWholeAndClosedBeforeTheFirstStatement) {
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    write_bytes(odbc / "odbcinst.ini",
                read_bytes(odbc / "odbcinst.ini") + "\n[ODBC]\nTrace = Yes\nTraceFile = " + (odbc / "trace") + "\n");
    std::vector<std::string> names;
    for (int i = 1; i <= 600; ++i) names.push_back("t" + std::to_string(i));
    std::vector<CatalogueRow> rows;
    for (int i = 1; i <= 600; ++i) rows.push_back({i, "CONTA", names[i - 1].c_str()});
    set_catalogue(rows);
    const ProgramRun run = run_program(program.path(), odbc.path());
    ASSERT_EQ(run.exit_status, 3) << run.standard_error;  // two data sources are not defined

    std::string catalogue;  // the catalogue's statement handle
    bool closed = false, revoked = false;
    std::size_t fetches = 0, revokes = 0, revokes_while_open = 0, fetches_after_a_revoke = 0;
    for (const TracedCall& call : traced_calls(read_bytes(odbc / "trace"))) {
        if (call.function == "SQLExecDirectW" && call.argument("SQL").rfind("[select * from sysprogress.systables", 0) == 0) {
            catalogue = call.argument("Statement");
        } else if (call.function == "SQLExecDirectW" && call.argument("SQL").rfind("[Revoke", 0) == 0) {
            if (!closed) ++revokes_while_open;
            revoked = true;
            ++revokes;
        } else if (!catalogue.empty() && (call.argument("Statement") == catalogue || call.argument("Input Handle") == catalogue)) {
            if (call.function == "SQLFreeHandle" || call.function == "SQLFreeStmt") closed = true;
            if (call.function == "SQLFetch" || call.function == "SQLGetData") {
                if (revoked) ++fetches_after_a_revoke;
                ++fetches;
            }
        }
    }
    EXPECT_EQ(revokes, 600u);
    EXPECT_EQ(revokes_while_open, 0u);
    EXPECT_EQ(fetches_after_a_revoke, 0u);
    EXPECT_GT(fetches, 600u);  // every row, and the end
}

TEST(Program, LogThatCannotBeCreatedEndsTheRunWithStatusOne) {
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources());
    std::filesystem::create_directory(program / "dorvane.log");
    const ProgramRun run = run_program(program.path(), odbc.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.standard_error, "dorvane: error 21: Is a directory\n");
    EXPECT_TRUE(std::filesystem::is_empty(program / "dorvane.log"));
    // It ended before the work: the isolation level stays as set before it.
    EXPECT_NE(read_bytes(odbc / "odbc.ini").find("DefaultIsolationLevel=REPEATABLE READ"), std::string::npos);
}

TEST(Program, NullOwnerEndsTheRunAfterTheRowsBeforeIt) {
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources());
    sql("CREATE DATABASE IF NOT EXISTS \"PUB\";"
        "CREATE TABLE IF NOT EXISTS \"PUB\".\"t1\" (id INT); CREATE TABLE IF NOT EXISTS \"PUB\".\"t2\" (id INT);"
        "CREATE TABLE IF NOT EXISTS \"PUB\".\"t3\" (id INT); CREATE TABLE IF NOT EXISTS \"PUB\".\"t4\" (id INT);"
        "CREATE TABLE IF NOT EXISTS \"PUB\".\"t6\" (id INT);");
    set_catalogue({{1, "PUB", "t1"}, {2, "PUB", "t2"}, {3, "PUB", "t3"}, {4, "PUB", "t4"}, {5, nullptr, "t5"},
                   {6, "PUB", "t6"}});
    start_statement_log();
    const ProgramRun run = run_program(program.path(), odbc.path());
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.standard_error, "dorvane: error 94: Invalid use of Null\n");
    const std::vector<std::string> sent = logged_statements();
    ASSERT_EQ(sent.size(), 9u);  // the query, then rows 1 to 4 in full
    EXPECT_EQ(sent.back(), "grant select on \"PUB\".\"t4\" to 'userSQL'");
    EXPECT_EQ(read_bytes(program / "dorvane.log").find("Programa finalizado."), std::string::npos);
}

// Help, the version and a usage error each answer and touch nothing: no
// setting written, no log created or emptied, no statement sent.
// A site's own administrator account, set when the program is built: the
// program connects as that account, and with its password only.
TEST(Program, ABuildWithItsOwnAccountConnectsAsIt) {
    sql("CREATE USER IF NOT EXISTS 'dorvane_admin'@'localhost' IDENTIFIED BY 'Otra.123';"
        "GRANT ALL PRIVILEGES ON *.* TO 'dorvane_admin'@'localhost' WITH GRANT OPTION;");
    set_catalogue({});
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources());
    const ProgramRun own = run_program(program.path(), odbc.path(), "--check", "", "", DORVANE_OTHER_ACCOUNT_EXE);
    sql("ALTER USER 'dorvane_admin'@'localhost' IDENTIFIED BY 'another';");
    const ProgramRun refused = run_program(program.path(), odbc.path(), "--check", "", "", DORVANE_OTHER_ACCOUNT_EXE);
    sql("DROP USER 'dorvane_admin'@'localhost';");
    EXPECT_EQ(own.standard_output.find("could not be opened"), std::string::npos) << own.standard_output;
    EXPECT_NE(own.standard_output.find("-- VistasQuendar2\n"), std::string::npos) << own.standard_output;
    EXPECT_EQ(refused.exit_status, 3);
    EXPECT_NE(refused.standard_output.find("-- VistasQuendar\ncould not be opened: error 1045: "), std::string::npos)
        << refused.standard_output;
    EXPECT_NE(refused.standard_output.find("'dorvane_admin'@'localhost'"), std::string::npos) << refused.standard_output;
}

TEST(Program, AnArgumentAnswersAndTouchesNothing) {
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources());
    write_bytes(program / "dorvane.log", "a line of an earlier run\r\n");
    namespace fs = std::filesystem;
    const fs::file_time_type long_ago = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(program / "dorvane.log", long_ago);
    fs::last_write_time(odbc / "odbc.ini", long_ago);
    const std::string settings = read_bytes(odbc / "odbc.ini");
    const struct {
        const char* arguments;
        int status;
        const char* says;
    } asks[] = {{"--help", 0, "Exit status:"}, {"-h", 0, "VistasQuendar2"},
                {"--version", 0, "dorvane 1.0"}, {"-x", 2, "dorvane: unknown argument '-x'"},
                {"--dry-run extra", 2, "one argument at most"}, {"/?", 2, "unknown argument"}};
    start_statement_log();
    for (const auto& ask : asks) {
        const ProgramRun run = run_program(program.path(), odbc.path(), ask.arguments);
        EXPECT_EQ(run.exit_status, ask.status) << ask.arguments << ": " << run.standard_error;
        const std::string& said = ask.status == 0 ? run.standard_output : run.standard_error;
        EXPECT_NE(said.find(ask.says), std::string::npos) << ask.arguments << ": " << said;
        EXPECT_EQ((ask.status == 0 ? run.standard_error : run.standard_output), "") << ask.arguments;
    }
    EXPECT_EQ(read_bytes(program / "dorvane.log"), "a line of an earlier run\r\n");
    EXPECT_EQ(read_bytes(odbc / "odbc.ini"), settings);
    EXPECT_TRUE(fs::last_write_time(program / "dorvane.log") == long_ago);
    EXPECT_TRUE(fs::last_write_time(odbc / "odbc.ini") == long_ago);
    EXPECT_EQ(logged_connections(), 0);
}

// A setting that cannot be written is passed over, as ever, and told on
// standard error with its data source, its value and the system's error.
// The program runs as a user who may read odbc.ini but not replace it.
TEST(Program, ASettingThatCannotBeWrittenIsToldAndTheRunGoesOn) {
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources({"VistasQuendar2"}, {"VistasQuendar", "VistasQuendar1"}));
    const std::string settings = read_bytes(odbc / "odbc.ini");
    namespace fs = std::filesystem;
    fs::permissions(odbc.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    std::string launcher;
    if (::geteuid() == 0) {  // root writes anywhere: the run is made as nobody
        launcher = "setpriv --reuid=nobody --regid=nogroup --clear-groups";
        fs::permissions(program.path(), fs::perms::all);
    }
    const ProgramRun run = run_program(program.path(), odbc.path(), "", launcher);
    fs::permissions(odbc.path(), fs::perms::owner_all);

    // The settings alone would leave it 0; no data source has a server.
    EXPECT_EQ(run.exit_status, 3) << run.standard_error;
    EXPECT_EQ(read_bytes(odbc / "odbc.ini"), settings);
    const std::string nobody = "could not be opened: error 2002: [ma-3.1.15]Can't connect to local server through "
                               "socket '" + private_db_dir() + "/nobody.sock' (errno)";
    const std::string undefined = "could not be opened: error -2147467259: [unixODBC][Driver Manager]Data source "
                                  "name not found and no default driver specified";
    std::string expected;
    for (const std::string& told : std::vector<std::string>{"VistasQuendar was not given DefaultIsolationLevel=REPEATABLE READ",
                             "VistasQuendar was not given ArraySize=1000",
                             "VistasQuendar1 was not given DefaultIsolationLevel=REPEATABLE READ",
                             "VistasQuendar1 was not given ArraySize=1000", "VistasQuendar " + nobody,
                             "VistasQuendar1 " + nobody, "VistasQuendar2 " + undefined,
                             "VistasQuendar was not given DefaultIsolationLevel=READ UNCOMMITTED",
                             "VistasQuendar1 was not given DefaultIsolationLevel=READ UNCOMMITTED"})
        expected += "dorvane: warning: the data source " + told +
                    (told.find(" could not be opened") == std::string::npos ? ": error 13: Permission denied\n" : "\n");
    // The socket's errno is ENOENT, or EACCES where nobody may not enter
    // the server's folder.
    EXPECT_EQ(std::regex_replace(run.standard_error, std::regex("nobody\\.sock' \\([0-9]+\\)"), "nobody.sock' (errno)"),
              expected);
    const std::string log = read_bytes(program / "dorvane.log");
    EXPECT_EQ(log.substr(log.size() - 22), "Programa finalizado.\r\n");
}

// The plan is the run's walk with nothing sent: its statements are, byte
// for byte and in order, the ones that the run then sends; it sends only
// the catalogue query, writes no setting and leaves the log alone; and it
// ends as the run would.
TEST(Program, TheDryRunPrintsWhatTheRunSendsAndSendsNothingElse) {
    sql("CREATE DATABASE IF NOT EXISTS \"PUB\"; CREATE TABLE IF NOT EXISTS \"PUB\".\"clientes\" (id INT);"
        "CREATE DATABASE IF NOT EXISTS \"CONTA\"; CREATE TABLE IF NOT EXISTS \"CONTA\".\"asientos\" (id INT);"
        "DROP TABLE IF EXISTS \"PUB\".\"ghost\";");
    set_catalogue({{1, "PUB", "clientes"}, {2, "CONTA", "asientos"}, {3, "PUB", "ghost"},
                   {4, "PUB", "x\" to 'userSQL'; drop table \"clientes"}});
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources({}, {"VistasQuendar2"}));
    write_bytes(program / "dorvane.log", "a line of an earlier run\r\n");
    const std::string settings = read_bytes(odbc / "odbc.ini");
    const std::string grants = grants_of_usersql();

    start_statement_log();
    const ProgramRun dry = run_program(program.path(), odbc.path(), "--dry-run");
    const std::vector<std::string> sent_by_plan = logged_statements();
    EXPECT_EQ(logged_connections(), 2);  // the two data sources it could open
    ASSERT_EQ(dry.exit_status, 3) << dry.standard_error;  // as the run's: VistasQuendar2 has no server
    EXPECT_EQ(read_bytes(program / "dorvane.log"), "a line of an earlier run\r\n");
    EXPECT_EQ(read_bytes(odbc / "odbc.ini"), settings);
    EXPECT_EQ(grants_of_usersql(), grants);
    const std::vector<std::string> two_catalogue_reads(2, "select * from sysprogress.systables where id > 0");
    EXPECT_EQ(sent_by_plan, two_catalogue_reads);

    std::vector<std::string> planned;
    std::istringstream lines(dry.standard_output);
    std::string headings, unopened;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("-- ", 0) == 0) headings += line + "|";
        else if (line.rfind("Error para ", 0) == 0) unopened = line;
        else planned.push_back(line);
    }
    EXPECT_EQ(headings, "-- VistasQuendar|-- VistasQuendar1|-- VistasQuendar2|");

    start_statement_log();
    const ProgramRun run = run_program(program.path(), odbc.path());
    ASSERT_EQ(run.exit_status, 3) << run.standard_error;
    std::vector<std::string> sent;
    for (const std::string& statement : logged_statements())
        if (statement != two_catalogue_reads[0]) sent.push_back(statement);
    EXPECT_EQ(planned, sent);
    EXPECT_EQ(planned.size(), 14u);  // four revokes and three grants, twice
    EXPECT_EQ(planned[5], "Revoke all on \"PUB\".\"x\"\" to 'userSQL'; drop table \"\"clientes\" from 'userSQL'");
    // The data source that cannot be opened: the log's line, as it is.
    ASSERT_FALSE(unopened.empty()) << dry.standard_output;
    EXPECT_NE(read_bytes(program / "dorvane.log").find(unopened + "\r\n"), std::string::npos) << unopened;

    // A row the run could not read ends the plan as it ends the run.
    set_catalogue({{1, "PUB", "clientes"}, {2, nullptr, "x"}});
    const ProgramRun early = run_program(program.path(), odbc.path(), "--dry-run");
    EXPECT_EQ(early.exit_status, 1);
    EXPECT_EQ(early.standard_error.rfind("dorvane: error 94: ", 0), 0u) << early.standard_error;
}

// The exit status says whether the work was done: 0 where every data
// source was opened and every grant made, failed revokes or not; 3 where a
// grant failed or a data source was not opened; 1 for an early end. Where
// standard output is the journal (JOURNAL_STREAM names it, as systemd
// does), every line carries the priority that goes with it; anywhere else
// (a file, as cron's mail) a run that did its work prints nothing there.
TEST(Program, TheStatusAndTheJournalsPrioritiesTellAWorkDoneFromOneNotDone) {
    sql("CREATE DATABASE IF NOT EXISTS \"PUB\"; CREATE TABLE IF NOT EXISTS \"PUB\".\"clientes\" (id INT);"
        "CREATE DATABASE IF NOT EXISTS \"CONTA\"; CREATE TABLE IF NOT EXISTS \"CONTA\".\"asientos\" (id INT);"
        "DROP TABLE IF EXISTS \"PUB\".\"ghost\"; DELETE FROM mysql.tables_priv WHERE User = 'userSQL';"
        "FLUSH PRIVILEGES;");
    // userSQL holds nothing on asientos: each of its revokes fails.
    set_catalogue({{1, "PUB", "clientes"}, {2, "CONTA", "asientos"}});
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources());
    // Standard error joins standard output, which is then the journal's stream.
    const std::string journal =
        "sh -c 'exec 2>&1; export JOURNAL_STREAM=$(stat -L -c %d:%i /proc/$$/fd/1); exec \"$@\"' journal";

    const ProgramRun quiet = run_program(program.path(), odbc.path());
    EXPECT_EQ(quiet.exit_status, 0) << quiet.standard_error;
    EXPECT_EQ(quiet.standard_output, "");  // nothing for cron to mail
    EXPECT_NE(read_bytes(program / "dorvane.log").find("Error para VistasQuendar2.CONTA.asientos -> 1147 -> "),
              std::string::npos);
    const ProgramRun clean = run_program(program.path(), odbc.path(), "", journal);
    EXPECT_EQ(clean.exit_status, 0);
    EXPECT_EQ(clean.standard_output.rfind("<6>Summary of the run:\n<6>  VistasQuendar: 2 tables walked;", 0), 0u)
        << clean.standard_output;

    set_catalogue({{1, "PUB", "clientes"}, {2, "PUB", "ghost"}});
    const ProgramRun ungranted = run_program(program.path(), odbc.path());
    EXPECT_EQ(ungranted.exit_status, 3);
    EXPECT_EQ(ungranted.standard_output.rfind("Summary of the run:\n", 0), 0u) << ungranted.standard_output;

    set_catalogue({{1, "PUB", "clientes"}});
    write_odbc_config(odbc.path(), three_data_sources({}, {"VistasQuendar2"}));
    const ProgramRun unopened = run_program(program.path(), odbc.path(), "", journal);
    EXPECT_EQ(unopened.exit_status, 3);
    EXPECT_NE(unopened.standard_output.find("<4>dorvane: warning: the data source VistasQuendar2 could not be opened: "
                                            "error 2002: [ma-3.1.15]Can't connect"),
              std::string::npos)
        << unopened.standard_output;
    EXPECT_NE(unopened.standard_output.find("\n<4>  VistasQuendar2: could not be opened\n<4>  ended after "),
              std::string::npos)
        << unopened.standard_output;

    set_catalogue({{1, nullptr, "x"}});
    const ProgramRun early = run_program(program.path(), odbc.path(), "", journal);
    EXPECT_EQ(early.exit_status, 1);
    EXPECT_NE(early.standard_output.find("<3>dorvane: error 94: Invalid use of Null\n"), std::string::npos)
        << early.standard_output;
    EXPECT_NE(early.standard_output.find("\n<3>  VistasQuendar1: not reached\n"), std::string::npos)
        << early.standard_output;
}

// The metrics file as Prometheus' own checker reads it; the last success
// carried over an edited file's CR LF; and whatever else stands at the
// file's name (a FIFO, a link to /dev/zero, a file too large, a folder)
// neither holds the run nor changes its status: it is told, and replaced
// where it can be.
TEST(Program, TheMetricsFileIsWrittenWholeWhateverStandsAtItsName) {
    const std::string& trouble = metrics_folder_trouble();
    if (!trouble.empty()) {
        // On a line of its own, where the test command reads why a test did not run.
        std::cout << "SKIPPED: no metrics folder of the test's own can be given: " << trouble << std::flush;
        GTEST_SKIP() << trouble;
    }
    steady_state_catalogue();
    TempDir program, odbc, metrics;
    write_odbc_config(odbc.path(), three_data_sources());
    const std::string prom = metrics / "dorvane.prom";

    write_bytes(prom, "# an edited file\r\ndorvane_last_success_timestamp_seconds 1700000000 \r\n");
    write_odbc_config(odbc.path(), three_data_sources({}, {"VistasQuendar2"}));
    const ProgramRun partial = run_program(program.path(), odbc.path(), "", "", metrics.path());
    EXPECT_EQ(partial.exit_status, 3) << partial.standard_error;
    EXPECT_NE(read_bytes(prom).find("\ndorvane_last_success_timestamp_seconds 1700000000\n"), std::string::npos)
        << read_bytes(prom);

    write_odbc_config(odbc.path(), three_data_sources());
    const ProgramRun clean = run_program(program.path(), odbc.path(), "", "", metrics.path());
    EXPECT_EQ(clean.exit_status, 0) << clean.standard_error;
    EXPECT_EQ(clean.standard_error, "");
    int status = -1;
    std::string complaints;
    const std::string checked = run("promtool check metrics", read_bytes(prom), &status, &complaints);
    EXPECT_EQ(status, 0) << checked << complaints;
    EXPECT_EQ(checked + complaints, "");

    const struct {
        const char* what;
        std::function<void()> make;
        const char* told;
    } in_the_way[] = {
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(prom.c_str(), 0644), 0); }, "is not a regular file"},
        {"a link to /dev/zero", [&] { std::filesystem::create_symlink("/dev/zero", prom); }, "is a symbolic link, which is not followed"},
        {"a file of 1 MiB", [&] { write_bytes(prom, std::string(1 << 20, '1')); }, "is larger than 64 KiB"},
        {"a folder", [&] { std::filesystem::create_directory(prom); }, "is a folder"},
    };
    for (const auto& thing : in_the_way) {
        std::filesystem::remove_all(prom);
        thing.make();
        // A run that waited on what it found (a FIFO's writer) would never
        // end: two minutes is many times what one takes under valgrind.
        const ProgramRun run = run_program(program.path(), odbc.path(), "", "", metrics.path(), DORVANE_EXE, 120);
        EXPECT_EQ(run.exit_status, 0) << thing.what << ": " << run.standard_error;
        // Told as the program sees the folder, which is the collector's.
        EXPECT_TRUE(std::regex_search(run.standard_error,
                                      std::regex("^dorvane: warning: the last success was not carried over from "
                                                 "/var/lib/prometheus/node-exporter/dorvane.prom: error [0-9]+: it " +
                                                 std::string(thing.told) + "\n")))
            << thing.what << ": " << run.standard_error;
        if (std::string(thing.what) != "a folder") {
            EXPECT_NE(read_bytes(prom).find("\ndorvane_last_run_exit_status 0\n"), std::string::npos) << thing.what;
        }
    }
}

// A name that would print lines of its own in the plan (a heading, a
// statement) or erase one on a terminal prints as one marked line of
// escapes, as does a name that the locale cannot carry; the run sends the
// exact name.
TEST(Program, TheDryRunCannotBeForgedByAName) {
    const std::string hostile = "t\n-- VistasQuendar2\nRevoke all on \"x\"\r\x1b[2K";
    set_catalogue({{1, "PUB", hostile.c_str()}, {2, "PUB", "a\xC3\xB1o"}});
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    const ProgramRun plan = run_program(program.path(), odbc.path(), "--dry-run", "env LC_ALL=C");
    EXPECT_EQ(plan.exit_status, 3) << plan.standard_error;
    std::istringstream lines(plan.standard_output);
    std::vector<std::string> statements;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("Error para ", 0) != 0) statements.push_back(line);
    EXPECT_EQ(statements,
              (std::vector<std::string>{
                  "-- VistasQuendar",
                  "-- with escapes: Revoke all on \"PUB\".\"t\\u{0A}-- VistasQuendar2\\u{0A}Revoke all on \"\"x\"\"\\u{0D}"
                  "\\u{1B}[2K\" from 'userSQL'",
                  "-- with escapes: grant select on \"PUB\".\"t\\u{0A}-- VistasQuendar2\\u{0A}Revoke all on \"\"x\"\""
                  "\\u{0D}\\u{1B}[2K\" to 'userSQL'",
                  "-- with escapes: Revoke all on \"PUB\".\"a\\u{F1}o\" from 'userSQL'",
                  "-- with escapes: grant select on \"PUB\".\"a\\u{F1}o\" to 'userSQL'", "-- VistasQuendar1",
                  "-- VistasQuendar2"}));

    start_statement_log();
    const ProgramRun run = run_program(program.path(), odbc.path());
    const std::vector<std::string> sent = logged_statements();
    ASSERT_EQ(sent.size(), 5u) << run.standard_error;
    EXPECT_EQ(sent[1], "Revoke all on \"PUB\".\"t\n-- VistasQuendar2\nRevoke all on \"\"x\"\"\r\x1b[2K\" from 'userSQL'");
}

// The plan ends as the run would where the log cannot be created, and
// creates, empties and holds nothing to find out.
TEST(Program, TheDryRunEndsAsTheRunWhereTheLogCannotBeCreated) {
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources());
    set_catalogue({});
    namespace fs = std::filesystem;
    // Another run holds the log.
    write_bytes(program / "dorvane.log", "the other run's\r\n");
    const int held = ::open((program / "dorvane.log").c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const ProgramRun plan = run_program(program.path(), odbc.path(), "--dry-run");
    const ProgramRun run = run_program(program.path(), odbc.path());
    ::close(held);
    EXPECT_EQ(plan.exit_status, 1);
    EXPECT_EQ(plan.standard_error, "dorvane: error 11: Another run is using the log " + program.path() + "/dorvane.log\n");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.standard_error, plan.standard_error);
    EXPECT_EQ(read_bytes(program / "dorvane.log"), "the other run's\r\n");
    // Nothing held it afterwards: a plan finds the log free again.
    EXPECT_EQ(run_program(program.path(), odbc.path(), "--dry-run").exit_status, 0);

    // A folder the program's user may not write to, and no log yet.
    fs::remove(program / "dorvane.log");
    fs::permissions(program.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(odbc.path(), fs::perms::all);
    const std::string launcher = ::geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups" : "";
    // run_program copies the program in first: the copy is made while root may.
    const ProgramRun read_only_plan = run_program(program.path(), odbc.path(), "--dry-run", launcher);
    const ProgramRun read_only_run = run_program(program.path(), odbc.path(), "", launcher);
    fs::permissions(program.path(), fs::perms::owner_all);
    EXPECT_EQ(read_only_plan.exit_status, 1);
    EXPECT_EQ(read_only_plan.standard_error, "dorvane: error 13: Permission denied\n");
    EXPECT_EQ(read_only_run.exit_status, 1);
    EXPECT_NE(read_only_run.standard_error.find("dorvane: error 13: Permission denied\n"), std::string::npos)
        << read_only_run.standard_error;
    EXPECT_FALSE(fs::exists(program / "dorvane.log"));
}

// The summary on standard output, at a run's end and at an early end: the
// counts are the walk's, the failures those the log holds.
TEST(Program, EachRunEndsWithItsSummary) {
    sql("CREATE DATABASE IF NOT EXISTS \"PUB\"; CREATE TABLE IF NOT EXISTS \"PUB\".\"clientes\" (id INT);"
        "CREATE DATABASE IF NOT EXISTS \"CONTA\"; CREATE TABLE IF NOT EXISTS \"CONTA\".\"asientos\" (id INT);"
        "DROP TABLE IF EXISTS \"PUB\".\"ghost\"; DELETE FROM mysql.tables_priv WHERE User = 'userSQL';"
        "FLUSH PRIVILEGES; GRANT UPDATE ON \"CONTA\".\"asientos\" TO 'userSQL';");
    set_catalogue({{1, "PUB", "clientes"}, {2, "CONTA", "asientos"}, {3, "PUB", "ghost"}});
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources({}, {"VistasQuendar2"}));
    const auto without_time = [](const std::string& text) {
        const std::size_t at = text.find("  ended after ");
        const std::size_t seconds = text.find(" s with exit status ", at);
        return at == std::string::npos || seconds == std::string::npos ? text
                                                                        : text.substr(0, at + 14) + "T" + text.substr(seconds);
    };

    const ProgramRun run = run_program(program.path(), odbc.path());
    ASSERT_EQ(run.exit_status, 3) << run.standard_error;
    // A revoke fails where userSQL holds nothing (clientes on the first
    // data source, asientos on the second, once the first took its UPDATE
    // away); ghost fails its revoke and its grant both times.
    EXPECT_EQ(without_time(run.standard_output),
              "Summary of the run:\n"
              "  VistasQuendar: 3 tables walked; revokes: 3 sent, 2 failed; grants: 2 sent, 1 failed; userSQL read-only\n"
              "  VistasQuendar1: 3 tables walked; revokes: 3 sent, 2 failed; grants: 2 sent, 1 failed; userSQL "
              "read-only\n"
              "  VistasQuendar2: could not be opened\n"
              "  ended after T s with exit status 3\n");
    const std::string log = read_bytes(program / "dorvane.log");
    std::size_t failures_logged = 0;
    for (std::size_t at = 0; (at = log.find("Error para VistasQuendar", at)) != std::string::npos; ++at)
        ++failures_logged;
    EXPECT_EQ(failures_logged, 6u) << log;

    set_catalogue({{1, "PUB", "clientes"}, {2, nullptr, "x"}});
    const ProgramRun early = run_program(program.path(), odbc.path());
    EXPECT_EQ(early.exit_status, 1);
    EXPECT_EQ(without_time(early.standard_output),
              "Summary of the run:\n"
              "  VistasQuendar: 1 tables walked; revokes: 1 sent, 0 failed; grants: 1 sent, 0 failed; privileges not "
              "checked\n"
              "  VistasQuendar1: not reached\n"
              "  VistasQuendar2: not reached\n"
              "  ended after T s with exit status 1\n");
}

}  // namespace
}  // namespace dorvane::testing
