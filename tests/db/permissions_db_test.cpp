// Privilege synchronisation against the real server, through the real
// ODBC driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "run/form1.h"
#include "support/private_db.h"
#include "support/temp_dir.h"

namespace dorvane::testing {
namespace {

std::string revoke(const std::string& owner, const std::string& table) {
    return "Revoke all on \"" + owner + "\".\"" + table + "\" from 'userSQL'";
}
std::string grant(const std::string& table) { return "grant select on \"PUB\".\"" + table + "\" to 'userSQL'"; }
const std::string query = "select * from sysprogress.systables where id > 0";

// The columns that each fetch went on to read with SQLGetData, in the order
// of the calls, from unixODBC's trace.
std::vector<std::vector<int>> columns_read_by_fetch(const std::string& trace) {
    std::vector<std::vector<int>> fetches;
    std::istringstream lines(trace);
    std::string call;  // the header line of the call being traced
    const std::string column_number = "Column Number = ";
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("[ODBC][", 0) == 0) {
            call = line;
        } else if (call.find("[SQLFetch.c]") != std::string::npos && line.find("Entry:") != std::string::npos) {
            fetches.emplace_back();
        } else if (call.find("[SQLGetData.c]") != std::string::npos && !fetches.empty()) {
            const std::size_t at = line.find(column_number);
            if (at != std::string::npos) fetches.back().push_back(std::stoi(line.substr(at + column_number.size())));
        }
    }
    return fetches;
}

class Permissions : public ::testing::Test {
protected:
    void SetUp() override {
        sql("DROP DATABASE IF EXISTS \"PUB\"; DROP DATABASE IF EXISTS \"CONTA\"; DROP DATABASE IF EXISTS \"pub\";"
            "CREATE DATABASE \"PUB\"; CREATE DATABASE \"CONTA\"; CREATE DATABASE \"pub\";"
            "DELETE FROM mysql.tables_priv WHERE User = 'userSQL'; FLUSH PRIVILEGES;");
    }
    // Runs the program with only the data sources in `ini`.
    ProgramRun run(const std::string& ini) {
        write_odbc_config(odbc.path(), ini);
        return run_program(program.path(), odbc.path());
    }
    std::string log() { return read_bytes(program / "dorvane.log"); }
    // Writes the data sources in `ini`, with the driver manager tracing
    // every call into the file that it returns.
    std::string trace_calls(const std::string& ini) {
        write_odbc_config(odbc.path(), ini);
        const std::string trace = odbc / "calls.log";
        write_bytes(odbc / "odbcinst.ini",
                    read_bytes(odbc / "odbcinst.ini") + "\n[ODBC]\nTrace = Yes\nTraceFile = " + trace + "\n");
        return trace;
    }

    TempDir program, odbc;
};

TEST_F(Permissions, SteadyStateGivesSelectOnPubTablesAndNothingElsewhere) {
    sql("CREATE TABLE \"PUB\".\"clientes\" (id INT); CREATE TABLE \"PUB\".\"año\" (id INT);"
        "CREATE TABLE \"CONTA\".\"asientos\" (id INT); CREATE TABLE \"CONTA\".\"clientes\" (id INT);"
        "GRANT SELECT, INSERT ON \"PUB\".\"clientes\" TO 'userSQL'; GRANT SELECT ON \"PUB\".\"año\" TO 'userSQL';"
        "GRANT UPDATE ON \"CONTA\".\"asientos\" TO 'userSQL'; GRANT DELETE ON \"CONTA\".\"clientes\" TO 'userSQL';");
    set_catalogue({{-3, "CONTA", "hidden"}, {0, "CONTA", "hidden"}, {1, "PUB", "clientes"}, {2, "CONTA", "asientos"},
                   {3, "PUB", "año"}, {4, "CONTA", "clientes"}});
    const ProgramRun r = run(three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    ASSERT_EQ(r.exit_status, 3) << r.standard_error;  // the data sources left out were not opened
    EXPECT_EQ(grants_of_usersql(), "PUB.año=Select\nPUB.clientes=Select\n");
    EXPECT_EQ(log().substr(log().find("Programa")), "Programa finalizado.\r\n");
    EXPECT_EQ(log().find("VistasQuendar."), std::string::npos);  // no statement failed
}

TEST_F(Permissions, EachTablesRevokeComesRightBeforeItsGrantInCatalogueOrder) {
    std::vector<CatalogueRow> rows;
    std::vector<std::string> expected = {query};
    const char* owners[] = {"CONTA", "PUB", "CONTA", "CONTA", "PUB", "PUB", "CONTA", "CONTA", "PUB", "CONTA"};
    static std::vector<std::string> names;
    names.clear();
    for (int i = 0; i < 10; ++i) names.push_back("t" + std::to_string(9 - i));  // not in name order
    for (int i = 0; i < 10; ++i) {
        sql("CREATE TABLE \"" + std::string(owners[i]) + "\".\"" + names[i] + "\" (id INT);"
            "GRANT INSERT ON \"" + owners[i] + "\".\"" + names[i] + "\" TO 'userSQL';");
        rows.push_back({i + 1, owners[i], names[i].c_str()});
        expected.push_back(revoke(owners[i], names[i]));
        if (std::string(owners[i]) == "PUB") expected.push_back(grant(names[i]));
    }
    set_catalogue(rows);
    start_statement_log();
    const ProgramRun r = run(three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    ASSERT_EQ(r.exit_status, 3) << r.standard_error;  // the data sources left out were not opened
    EXPECT_EQ(logged_statements(), expected);  // ten revokes, four grants
}

TEST_F(Permissions, ALongCatalogueIsWalkedRowByRowToItsEnd) {
    // Many rows, each one walked in order to the last.
    std::vector<std::string> names;
    std::vector<CatalogueRow> rows;
    std::vector<std::string> expected = {query};
    for (int i = 1; i <= 1300; ++i) names.push_back("t" + std::to_string(i));
    for (int i = 1; i <= 1300; ++i) {
        rows.push_back({i, "CONTA", names[i - 1].c_str()});
        expected.push_back(revoke("CONTA", names[i - 1]));
    }
    set_catalogue(rows);
    start_statement_log();
    const ProgramRun r = run(three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    ASSERT_EQ(r.exit_status, 3) << r.standard_error;  // the data sources left out were not opened
    EXPECT_EQ(logged_statements(), expected);
}

TEST_F(Permissions, UnreachableDataSourceIsLoggedAndTheOthersAreStillProcessed) {
    sql("CREATE TABLE \"PUB\".\"t\" (id INT); GRANT SELECT ON \"PUB\".\"t\" TO 'userSQL';");
    set_catalogue({{1, "PUB", "t"}});
    start_statement_log();
    const ProgramRun r = run(three_data_sources({}, {"VistasQuendar1"}));
    ASSERT_EQ(r.exit_status, 3) << r.standard_error;  // the data sources left out were not opened
    EXPECT_EQ(log(), "Error para  ODBC --> VistasQuendar1 -> 2002 -> [ma-3.1.15]Can't connect to local server "
                     "through socket '" + private_db_dir() + "/nobody.sock' (2)\r\nPrograma finalizado.\r\n");
    EXPECT_EQ(logged_statements(),
              (std::vector<std::string>{query, revoke("PUB", "t"), grant("t"), query, revoke("PUB", "t"), grant("t")}));
}

TEST_F(Permissions, OnlyTheOwnerPubExactlyIsGrantedAndEachOwnerIsItsOwnRow) {
    sql("CREATE TABLE \"PUB\".\"t\" (id INT); CREATE TABLE \"pub\".\"t\" (id INT); CREATE TABLE \"CONTA\".\"t\" (id INT);"
        "GRANT INSERT ON \"pub\".\"t\" TO 'userSQL'; GRANT INSERT ON \"CONTA\".\"t\" TO 'userSQL';"
        "GRANT INSERT ON \"PUB\".\"t\" TO 'userSQL';");
    set_catalogue({{1, "pub", "t"}, {2, "PUB ", "t"}, {3, "CONTA", "t"}, {4, "PUB", "t"}});
    start_statement_log();
    const ProgramRun r = run(three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    ASSERT_EQ(r.exit_status, 3) << r.standard_error;  // the data sources left out were not opened
    EXPECT_EQ(logged_statements(), (std::vector<std::string>{query, revoke("pub", "t"), revoke("PUB ", "t"),
                                                             revoke("CONTA", "t"), revoke("PUB", "t"), grant("t")}));
    EXPECT_EQ(grants_of_usersql(), "PUB.t=Select\n");
    // "PUB " names no database: its revoke fails and is logged, with no grant.
    const std::string text = log();
    EXPECT_EQ(text.rfind("Error para VistasQuendar.PUB .t -> ", 0), 0u) << text;
    EXPECT_EQ(text.find("Error para VistasQuendar.", 1), std::string::npos) << text;
}

TEST_F(Permissions, FailedRevokeAndFailedGrantEachLeaveTheirLineAndTheBoxComesFirst) {
    // A PUB table that does not exist: both statements fail on the server.
    set_catalogue({{1, "PUB", "ghost"}});
    write_odbc_config(odbc.path(), three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    setenv("ODBCSYSINI", odbc.path().c_str(), 1);
    std::vector<std::pair<std::string, std::string>> boxes;
    Form1Seams seams = Form1Seams::platform();
    seams.program_directory = [&] { return program.path(); };
    seams.message_box = [&](const std::string& text) { boxes.emplace_back(text, log()); };
    Form1 form(seams);
    form.crear_fichero();
    form.principal("VistasQuendar");
    form.cerrar_fichero();
    unsetenv("ODBCSYSINI");

    const std::string text = log();
    const std::size_t second = text.find("Error para", 1);
    ASSERT_NE(second, std::string::npos) << text;
    const std::string revoke_line = text.substr(0, second), grant_line = text.substr(second);
    EXPECT_EQ(revoke_line.rfind("Error para VistasQuendar.PUB.ghost -> 1147 -> ", 0), 0u) << revoke_line;
    EXPECT_EQ(grant_line.rfind("Error para VistasQuendar.PUB.ghost -> 1146 -> ", 0), 0u) << grant_line;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].second, revoke_line);  // shown before the grant's line was written
    EXPECT_EQ(grant_line, "Error para VistasQuendar.PUB.ghost -> 1146 -> " + boxes[0].first + "\r\n");
}

TEST_F(Permissions, NonAsciiNamesRoundTripIntoStatementsAndMessages) {
    sql("CREATE TABLE \"PUB\".\"año\" (id INT); CREATE TABLE \"CONTA\".\"país\" (id INT);");
    set_catalogue({{1, "PUB", "año"}, {2, "CONTA", "país"}});
    const ProgramRun r = run(three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    ASSERT_EQ(r.exit_status, 3) << r.standard_error;  // the data sources left out were not opened
    EXPECT_EQ(grants_of_usersql(), "PUB.año=Select\n");
    // Neither revoke had anything to take; each message ends where the
    // server's text ends, whatever length the driver reports for it.
    const std::string text = log();
    EXPECT_NE(text.find("Error para VistasQuendar.PUB.año -> 1147 -> "), std::string::npos) << text;
    EXPECT_NE(text.find("on table 'año'\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("on table 'país'\r\n"), std::string::npos) << text;
}

TEST_F(Permissions, NamesAreReadWholeAtTheirColumnsLengthAndBeyondAnyBuffer) {
    // As long as the catalogue's column allows, in characters of three UTF-8
    // bytes; then, in a column of no useful declared length, far longer than
    // any buffer the program reads into.
    std::string widest;
    for (int i = 0; i < 64; ++i) widest += "\xE2\x82\xAC";  // U+20AC
    const std::string longest = std::string(3000, 'n') + "\xC3\xB1";
    struct RestoreColumn {
        ~RestoreColumn() {
            sql("ALTER TABLE sysprogress.systables MODIFY tbl VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NULL");
        }
    } restore;
    for (const std::string& name : {widest, longest}) {
        if (name == longest) {
            sql("DELETE FROM sysprogress.systables;"
                "ALTER TABLE sysprogress.systables MODIFY tbl TEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NULL");
        }
        set_catalogue({{1, "CONTA", name.c_str()}});
        start_statement_log();
        const ProgramRun r = run(three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
        ASSERT_EQ(r.exit_status, 3) << r.standard_error;  // the data sources left out were not opened
        EXPECT_EQ(logged_statements(), (std::vector<std::string>{query, revoke("CONTA", name)}));
    }
}

TEST_F(Permissions, ACatalogueWithItsTableNameFirstAndLongColumnsIsReadByName) {
    // "tbl" before "owner", both declared longer than any bound buffer: read
    // piece by piece, in the order of the result's columns, each value still
    // lands under its own name.
    struct RestoreColumns {
        ~RestoreColumns() {
            sql("ALTER TABLE sysprogress.systables"
                " MODIFY owner VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NULL AFTER id,"
                " MODIFY tbl VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NULL AFTER owner");
        }
    } restore;
    sql("ALTER TABLE sysprogress.systables"
        " MODIFY tbl VARCHAR(2000) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NULL FIRST,"
        " MODIFY owner VARCHAR(2000) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NULL");
    sql("CREATE TABLE \"PUB\".\"clientes\" (id INT);");
    set_catalogue({{1, "PUB", "clientes"}});
    start_statement_log();
    // The driver manager traces every call: a driver without
    // SQL_GD_ANY_ORDER needs the columns read in rising order, which this
    // driver does not enforce.
    const std::string trace = trace_calls(three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    const ProgramRun r = run_program(program.path(), odbc.path());
    ASSERT_EQ(r.exit_status, 3) << r.standard_error;  // the data sources left out were not opened
    EXPECT_EQ(logged_statements(), (std::vector<std::string>{query, revoke("PUB", "clientes"), grant("clientes")}));
    const std::vector<std::vector<int>> fetches = columns_read_by_fetch(read_bytes(trace));
    ASSERT_FALSE(fetches.empty());
    EXPECT_EQ(fetches.front().size(), 2u);  // owner and tbl, each in one piece
    for (const std::vector<int>& columns : fetches) {
        EXPECT_TRUE(std::is_sorted(columns.begin(), columns.end())) << ::testing::PrintToString(columns);
    }
}

TEST_F(Permissions, ANameCutInItsBoundBufferIsNeverUsedWhereTheDriverCannotReadItAgain) {
    // A strict driver: it declares the name columns eight characters long
    // and does not let a bound column be read again (no SQL_GD_BOUND).
    const std::string long_name = "facturas_del_ejercicio_2026";
    sql("CREATE TABLE \"PUB\".\"clientes\" (id INT); CREATE TABLE \"PUB\".\"" + long_name + "\" (id INT);");
    set_catalogue({{1, "PUB", "clientes"}, {2, "PUB", long_name.c_str()}});
    start_statement_log();
    const std::string trace = trace_calls(three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    const ProgramRun r =
        run_program(program.path(), odbc.path(), "", "env LD_PRELOAD=" + shell_quote(DORVANE_STRICT_DRIVER));
    // The run ends at that row, saying why; the rows before it were done,
    // and nothing names the table by a part of its name.
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_NE(r.standard_error.find("The driver gave a value of the result only in part"), std::string::npos)
        << r.standard_error;
    EXPECT_EQ(logged_statements(), (std::vector<std::string>{query, revoke("PUB", "clientes"), grant("clientes")}));
    EXPECT_EQ(read_bytes(trace).find("[SQLGetData.c]"), std::string::npos);  // a bound column is never read again

    // Eight characters outside the BMP are sixteen UTF-16 units: the bound
    // buffer of a column declared eight characters long holds them whole.
    std::string astral, as_logged;  // the server's log writes them as escapes
    for (int i = 0; i < 8; ++i) astral += "\xF0\x9F\x98\x80", as_logged += "\\xF0\\x9F\\x98\\x80";  // U+1F600
    set_catalogue({{1, "PUB", astral.c_str()}});
    start_statement_log();
    const ProgramRun whole =
        run_program(program.path(), odbc.path(), "", "env LD_PRELOAD=" + shell_quote(DORVANE_STRICT_DRIVER));
    EXPECT_EQ(whole.exit_status, 3) << whole.standard_error;  // no such table: its grant fails
    EXPECT_EQ(logged_statements(), (std::vector<std::string>{query, revoke("PUB", as_logged), grant(as_logged)}));
}

TEST_F(Permissions, HostileNamesReachOnlyTheirOwnTable) {
    const std::vector<std::string> hostile = {
        "x\" to 'someone' --x", "it's", "a\"\"b", "semi;colon; drop table t", "line\nbreak", "x\"; grant all on *.* to 'someone' --"};
    sql("DROP USER IF EXISTS 'someone'@'%'; CREATE USER 'someone'@'%';"
        "CREATE TABLE \"PUB\".\"t\" (id INT); CREATE TABLE \"PUB\".\"x\" (id INT);");
    std::vector<CatalogueRow> rows;
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        std::string quoted;
        for (const char c : hostile[i]) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        sql("CREATE TABLE \"PUB\".\"" + quoted + "\" (id INT);");
        rows.push_back({static_cast<int>(i + 1), "PUB", hostile[i].c_str()});
    }
    set_catalogue(rows);
    const ProgramRun r = run(three_data_sources({"VistasQuendar1", "VistasQuendar2"}));
    ASSERT_EQ(r.exit_status, 3) << r.standard_error;  // the data sources left out were not opened

    // Names are compared in hex: one of them holds a line break.
    std::string expected;
    std::vector<std::string> hex_names;
    for (const auto& name : hostile) hex_names.push_back(sql("SELECT HEX(" + [&] {
        std::string literal = "'";
        for (const char c : name) literal += c == '\'' ? std::string("''") : std::string(1, c);
        return literal + "'";
    }() + ");"));
    std::sort(hex_names.begin(), hex_names.end());
    for (const auto& hex : hex_names) expected += "PUB\t" + hex.substr(0, hex.size() - 1) + "\tSelect\n";
    EXPECT_EQ(sql("SELECT Db, HEX(Table_name), Table_priv FROM mysql.tables_priv WHERE User = 'userSQL' "
                  "ORDER BY HEX(Table_name);"),
              expected);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM mysql.tables_priv WHERE User = 'someone';"
                  "SELECT COUNT(*) FROM mysql.db WHERE User IN ('someone', 'userSQL');"),
              "0\n0\n");
    EXPECT_EQ(sql("SHOW GRANTS FOR 'someone'@'%';"), "GRANT USAGE ON *.* TO \"someone\"@\"%\"\n");
    EXPECT_EQ(sql("SHOW GRANTS FOR 'userSQL'@'%';").rfind("GRANT USAGE ON *.* TO \"userSQL\"@\"%\"\n", 0), 0u);
}

}  // namespace
}  // namespace dorvane::testing
