// What userSQL can still do after a run, read back from the private
// database's privilege catalogues: grants that the run's revokes cannot
// take away, told by the run and by the audit, and a check that cannot be
// made.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/private_db.h"
#include "support/temp_dir.h"

namespace dorvane::testing {
namespace {

// userSQL and PUBLIC hold nothing at any level, before a test and after it,
// whatever it granted: the other tests' runs must find a clean database.
struct NoPrivileges {
    NoPrivileges() { reset(); }
    ~NoPrivileges() { reset(); }
    static void reset() {
        sql("DELETE FROM mysql.tables_priv WHERE User IN ('userSQL', 'PUBLIC');"
            "DELETE FROM mysql.columns_priv WHERE User IN ('userSQL', 'PUBLIC');"
            "DELETE FROM mysql.db WHERE User IN ('userSQL', 'PUBLIC');"
            "UPDATE mysql.global_priv SET Priv = JSON_SET(Priv, '$.access', 0) WHERE User IN ('userSQL', 'PUBLIC');"
            "FLUSH PRIVILEGES;");
    }
};

void three_tables() {
    sql("CREATE DATABASE IF NOT EXISTS \"PUB\"; CREATE DATABASE IF NOT EXISTS \"CONTA\";"
        "CREATE TABLE IF NOT EXISTS \"PUB\".\"clientes\" (id INT);"
        "CREATE TABLE IF NOT EXISTS \"PUB\".\"facturas\" (id INT);"
        "CREATE TABLE IF NOT EXISTS \"CONTA\".\"asientos\" (id INT);");
    set_catalogue({{-1, "sysprogress", "systables"}, {1, "PUB", "clientes"}, {2, "PUB", "facturas"},
                   {3, "CONTA", "asientos"}});
}

std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string sample(const std::string& prom, const std::string& metric, const std::string& data_source) {
    const std::string line = "\n" + metric + "{data_source=\"" + data_source + "\"} ";
    const std::size_t at = prom.find(line);
    return at == std::string::npos ? "absent" : prom.substr(at + line.size(), prom.find('\n', at + 1) - at - line.size());
}

// A schema-wide INSERT and a grant to PUBLIC survive the run's revokes: the
// run says so, ten warnings and a count, and ends 3, until they are revoked.
TEST(PrivilegeCheck, GrantsThatTheRevokesCannotTakeAwayAreToldUntilRevoked) {
    NoPrivileges clean;
    three_tables();
    sql("GRANT INSERT ON \"PUB\".* TO 'userSQL'; GRANT INSERT, DELETE ON \"CONTA\".\"asientos\" TO PUBLIC;");
    TempDir program, odbc, metrics;
    write_odbc_config(odbc.path(), three_data_sources());

    // On each data source: INSERT on every table of PUB (other tests made
    // some), INSERT and DELETE on asientos through PUBLIC.
    const std::size_t excess =
        std::stoul(sql("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = 'PUB';")) + 2;

    const ProgramRun run = run_program(program.path(), odbc.path(), "", "", metrics.path());
    EXPECT_EQ(run.exit_status, 3) << run.standard_error;
    EXPECT_EQ(count_of(run.standard_error, "can do more than read"), 10u) << run.standard_error;
    EXPECT_NE(run.standard_error.find(
                  "dorvane: warning: VistasQuendar: userSQL can do more than read: INSERT on \"CONTA\".\"asientos\", "
                  "held by PUBLIC, granted by root@localhost; removed by root@localhost with: revoke insert on "
                  "\"CONTA\".\"asientos\" from PUBLIC\n"),
              std::string::npos)
        << run.standard_error;
    EXPECT_NE(run.standard_error.find("dorvane: warning: " + std::to_string(3 * excess - 10) +
                                      " more excess privileges are not told here: dorvane --check lists them all\n"),
              std::string::npos)
        << run.standard_error;
    EXPECT_EQ(count_of(run.standard_output, "; " + std::to_string(excess) + " excess privileges of userSQL\n"), 3u)
        << run.standard_output;
    // The gauges, where the run could be given a metrics folder of its own.
    const bool gauges = metrics_folder_trouble().empty();
    std::string prom = gauges ? read_bytes(metrics / "dorvane.prom") : "";
    if (gauges) {
        EXPECT_EQ(sample(prom, "dorvane_excess_privileges", "VistasQuendar1"), std::to_string(excess));
        EXPECT_EQ(sample(prom, "dorvane_privileges_checked", "VistasQuendar2"), "1");
    }
    // The log keeps the statements' lines alone.
    const std::string log = read_bytes(program / "dorvane.log");
    EXPECT_EQ(count_of(log, "\r\n"), count_of(log, "Error para ") + 1) << log;

    sql("REVOKE INSERT ON \"PUB\".* FROM 'userSQL'; REVOKE INSERT, DELETE ON \"CONTA\".\"asientos\" FROM PUBLIC;");
    const ProgramRun clean_run = run_program(program.path(), odbc.path(), "", "", metrics.path());
    EXPECT_EQ(clean_run.exit_status, 0) << clean_run.standard_error;
    EXPECT_EQ(clean_run.standard_error, "");
    prom = gauges ? read_bytes(metrics / "dorvane.prom") : "";
    for (const std::string data_source : {"VistasQuendar", "VistasQuendar1", "VistasQuendar2"}) {
        if (!gauges) break;
        EXPECT_EQ(sample(prom, "dorvane_excess_privileges", data_source), "0") << data_source;
        EXPECT_EQ(sample(prom, "dorvane_privileges_checked", data_source), "1") << data_source;
    }
}

// DBA authority, INSERT through PUBLIC and a grant option that the revoke
// leaves behind (the grant then gives SELECT back with it), each found by
// the run and listed by the audit; a name with a line break shows escaped.
TEST(PrivilegeCheck, AuthorityPublicAndGrantOptionAreExcessAndNamesCannotForgeALine) {
    NoPrivileges clean;
    three_tables();
    sql("CREATE TABLE IF NOT EXISTS \"CONTA\".\"x\nexcess: none\" (id INT);"
        "INSERT INTO sysprogress.systables (id, owner, tbl) VALUES (4, 'CONTA', 'x\nexcess: none');"
        "GRANT INSERT ON \"CONTA\".\"x\nexcess: none\" TO PUBLIC; GRANT INSERT ON \"PUB\".\"clientes\" TO PUBLIC;"
        "GRANT SELECT ON \"PUB\".\"facturas\" TO 'userSQL' WITH GRANT OPTION;");
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources({}, {"VistasQuendar1", "VistasQuendar2"}));

    const ProgramRun run = run_program(program.path(), odbc.path());
    EXPECT_EQ(run.exit_status, 3) << run.standard_error;
    EXPECT_EQ(count_of(run.standard_error, "can do more than read"), 3u) << run.standard_error;
    EXPECT_NE(run.standard_error.find("dorvane: warning: -- with escapes: VistasQuendar: userSQL can do more than "
                                      "read: INSERT on \"CONTA\".\"x\\u{0A}excess: none\", held by PUBLIC"),
              std::string::npos)
        << run.standard_error;

    sql("GRANT ALL PRIVILEGES ON *.* TO 'userSQL';");

    const ProgramRun audit = run_program(program.path(), odbc.path(), "--check");
    EXPECT_EQ(audit.exit_status, 3) << audit.standard_error;
    const std::string& out = audit.standard_output;
    EXPECT_EQ(out.rfind("-- VistasQuendar\n", 0), 0u) << out;
    for (const std::string line :
         {"\nexcess: DBA authority, held by userSQL; removed with: revoke dba from 'userSQL'\n",
          "\nexcess: INSERT on \"PUB\".\"clientes\", held by PUBLIC, granted by root@localhost; removed by "
          "root@localhost with: revoke insert on \"PUB\".\"clientes\" from PUBLIC\n",
          "\nexcess: SELECT on \"PUB\".\"facturas\" with the right to grant it, held by userSQL, granted by "
          "sysprogress@localhost; removed by sysprogress@localhost with: revoke grant option for select on "
          "\"PUB\".\"facturas\" from 'userSQL'\n",
          "\nmeant: SELECT on \"PUB\".\"clientes\", held by userSQL, granted by sysprogress@localhost\n",
          "\n-- with escapes: excess: INSERT on \"CONTA\".\"x\\u{0A}excess: none\", held by PUBLIC",
          "\n-- VistasQuendar1\ncould not be opened: error "})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\nin:\n" << out;
    // Each line is one whole line: none begins inside a name.
    EXPECT_EQ(std::regex_search(out, std::regex("\nexcess: none")), false) << out;
    sql("DROP TABLE \"CONTA\".\"x\nexcess: none\";");
}

// Without the privilege catalogues the run still walks every table and
// reaches its end; it ends 3, as nobody knows what userSQL can do.
TEST(PrivilegeCheck, WithoutThePrivilegeCataloguesTheRunEndsThreeAndSaysWhy) {
    NoPrivileges clean;
    three_tables();
    struct ViewsBack {
        ~ViewsBack() {
            run(shell_quote(std::string(DORVANE_SOURCE_DIR) + "/scripts/private-db.sh") + " views " +
                    shell_quote(private_db_dir()),
                "");
        }
    } views_back;
    sql("DROP VIEW sysprogress.systabauth, sysprogress.syscolauth, sysprogress.sysdbauth;");
    TempDir program, odbc, metrics;
    write_odbc_config(odbc.path(), three_data_sources());

    const ProgramRun run = run_program(program.path(), odbc.path(), "", "", metrics.path());
    EXPECT_EQ(run.exit_status, 3) << run.standard_error;
    EXPECT_EQ(count_of(run.standard_error, ": what userSQL can do could not be checked: error 1146: "), 3u)
        << run.standard_error;
    EXPECT_EQ(count_of(run.standard_output, "3 tables walked; revokes: 3 sent"), 3u) << run.standard_output;
    EXPECT_EQ(count_of(run.standard_output, "; privileges could not be checked"), 3u) << run.standard_output;
    if (metrics_folder_trouble().empty()) {
        EXPECT_EQ(sample(read_bytes(metrics / "dorvane.prom"), "dorvane_privileges_checked", "VistasQuendar"), "0");
    }
    const std::string log = read_bytes(program / "dorvane.log");
    EXPECT_EQ(log.substr(log.size() - 22), "Programa finalizado.\r\n");
}

// The audit reads and sends nothing else: no statement that changes
// anything, no setting, no log. It ends 0 only where all three data sources
// were read and userSQL can only read.
TEST(PrivilegeCheck, TheAuditChangesNothing) {
    NoPrivileges clean;
    three_tables();
    sql("GRANT SELECT ON \"PUB\".\"clientes\" TO 'userSQL'; GRANT SELECT ON \"PUB\".\"facturas\" TO 'userSQL';");
    TempDir program, odbc;
    write_odbc_config(odbc.path(), three_data_sources());
    const std::string settings = read_bytes(odbc / "odbc.ini");

    start_statement_log();
    const ProgramRun audit = run_program(program.path(), odbc.path(), "--check");
    EXPECT_EQ(audit.exit_status, 0) << audit.standard_error << audit.standard_output;
    EXPECT_EQ(audit.standard_error, "");
    EXPECT_EQ(count_of(audit.standard_output, "\nmeant: SELECT on \"PUB\"."), 6u) << audit.standard_output;
    EXPECT_EQ(count_of(audit.standard_output, "excess"), 0u);
    const std::string changes = sql(
        "SELECT argument FROM mysql.general_log WHERE command_type IN ('Query', 'Execute') AND user_host LIKE "
        "'sysprogress%' AND NOT (argument LIKE 'select %' OR argument LIKE 'SET %' OR argument LIKE 'SHOW %');");
    EXPECT_EQ(changes, "");
    EXPECT_EQ(logged_statements(true).size(), 3u * 4);  // the catalogue and the three privilege catalogues
    EXPECT_EQ(read_bytes(odbc / "odbc.ini"), settings);
    EXPECT_FALSE(std::filesystem::exists(program / "dorvane.log"));

    write_odbc_config(odbc.path(), three_data_sources({}, {"VistasQuendar2"}));
    const ProgramRun one_down = run_program(program.path(), odbc.path(), "--check");
    EXPECT_EQ(one_down.exit_status, 3);
    EXPECT_NE(one_down.standard_output.find("-- VistasQuendar2\ncould not be opened: error "), std::string::npos)
        << one_down.standard_output;
}

}  // namespace
}  // namespace dorvane::testing
