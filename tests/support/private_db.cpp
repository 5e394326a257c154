#include "support/private_db.h"

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "support/temp_dir.h"

namespace dorvane::testing {

std::string shell_quote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

std::string run(const std::string& command, const std::string& input, int* status, std::string* error_output,
                int limit_seconds) {
    TempDir scratch;
    write_bytes(scratch / "in", input);
    const std::string full = "timeout --kill-after=10 " + std::to_string(limit_seconds) + " sh -c " +
                             shell_quote(command) + " < " + shell_quote(scratch / "in") + " > " +
                             shell_quote(scratch / "out") + " 2> " + shell_quote(scratch / "err");
    const int rc = std::system(full.c_str());
    const int code = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    const std::string stalled =
        code == 124 ? "(stopped: still running after " + std::to_string(limit_seconds) + " s)\n" : "";
    if (status != nullptr) {
        *status = code;
        if (error_output == nullptr) return read_bytes(scratch / "out") + read_bytes(scratch / "err") + stalled;
        *error_output = read_bytes(scratch / "err") + stalled;
        return read_bytes(scratch / "out");
    }
    if (code != 0) throw std::runtime_error(command + " failed: " + read_bytes(scratch / "err") + stalled);
    return read_bytes(scratch / "out");
}

namespace {

std::string escape_literal(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') out += "''";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out + "'";
}

}  // namespace

std::string program_wrapper() {
    const char* wrapper = std::getenv("DORVANE_TEST_WRAPPER");
    return wrapper != nullptr && *wrapper != '\0' ? std::string(wrapper) + " " : "";
}

std::string private_db_dir() {
    const char* dir = std::getenv("DORVANE_TEST_DB_DIR");
    if (dir == nullptr || *dir == '\0')
        throw std::runtime_error("DORVANE_TEST_DB_DIR is not set: run the tests with scripts/test.sh");
    return dir;
}

std::string sql_on(const std::string& db_dir, const std::string& statements) {
    // The statements are UTF-8, whatever the locale's character set.
    return run("mariadb --no-defaults --default-character-set=utf8mb4 --batch --skip-column-names -u root -S " +
                   shell_quote(db_dir + "/mysqld.sock"),
               statements);
}

std::string sql(const std::string& statements) { return sql_on(private_db_dir(), statements); }

void set_catalogue(const std::vector<CatalogueRow>& rows) {
    std::string statements = "DELETE FROM sysprogress.systables;\n";
    for (const CatalogueRow& row : rows) {
        statements += "INSERT INTO sysprogress.systables (id, owner, tbl) VALUES (" + std::to_string(row.id) +
                      ", " + (row.owner ? escape_literal(row.owner) : "NULL") + ", " +
                      (row.tbl ? escape_literal(row.tbl) : "NULL") + ");\n";
    }
    sql(statements);
}

std::string grants_of_usersql() {
    return sql(
        "SELECT CONCAT(Db, '.', Table_name, '=', Table_priv) FROM mysql.tables_priv "
        "WHERE User = 'userSQL' AND Table_priv <> '' ORDER BY Db, Table_name;");
}

void start_statement_log() {
    sql("SET GLOBAL general_log = 0; SET GLOBAL log_output = 'TABLE';"
        "TRUNCATE TABLE mysql.general_log; SET GLOBAL general_log = 1;");
}

int logged_connections() {
    return std::stoi(sql("SELECT COUNT(*) FROM mysql.general_log WHERE command_type = 'Connect' "
                         "AND argument LIKE 'sysprogress@%';"));
}

std::vector<std::string> logged_statements(bool with_privilege_reads) {
    // HEX keeps line breaks inside names from splitting rows.
    const std::string rows = sql(
        "SELECT HEX(argument) FROM mysql.general_log WHERE command_type IN ('Query', 'Execute') "
        "AND user_host LIKE 'sysprogress%';");
    std::vector<std::string> statements;
    std::istringstream lines(rows);
    for (std::string hex; std::getline(lines, hex);) {
        std::string text;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        const bool privilege_read = text.rfind("select * from sysprogress.sys", 0) == 0 &&
                                    text.find("auth where ") != std::string::npos;
        if (privilege_read) {
            if (with_privilege_reads) statements.push_back(text);
        } else if (text.rfind("Revoke ", 0) == 0 || text.rfind("grant ", 0) == 0 || text.rfind("select ", 0) == 0) {
            statements.push_back(text);
        }
    }
    return statements;
}

void write_odbc_config(const std::string& dir, const std::string& odbc_ini) {
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(private_db_dir() + "/odbc/odbcinst.ini", dir + "/odbcinst.ini",
                               std::filesystem::copy_options::overwrite_existing);
    std::string text = odbc_ini;
    const std::string socket = private_db_dir() + "/mysqld.sock";
    for (std::size_t at; (at = text.find("@SOCKET@")) != std::string::npos;)
        text.replace(at, 8, socket);
    write_bytes(dir + "/odbc.ini", text);
}

std::string three_data_sources(const std::vector<std::string>& missing,
                               const std::vector<std::string>& unreachable) {
    const auto has = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    std::string ini = "; test data sources\n";
    for (const std::string name : {"VistasQuendar", "VistasQuendar1", "VistasQuendar2"}) {
        if (has(missing, name)) continue;
        const std::string socket = has(unreachable, name) ? private_db_dir() + "/nobody.sock" : "@SOCKET@";
        ini += "\n[" + name + "]\nDriver = MariaDB\nSocket = " + socket +
               "\nDatabase = sysprogress\nCONN_TIMEOUT = 10\nREAD_TIMEOUT = 10\nWRITE_TIMEOUT = 10\n";
    }
    return ini;
}

std::string own_metrics_folder(const std::string& metrics_dir) {
    return shell_quote(std::string(DORVANE_SOURCE_DIR) + "/scripts/own-metrics-folder.sh") + " " +
           shell_quote(metrics_dir) + " ";
}

const std::string& metrics_folder_trouble() {
    static const std::string trouble = [] {
        int status = -1;
        const std::string words =
            run(shell_quote(std::string(DORVANE_SOURCE_DIR) + "/scripts/own-metrics-folder.sh") + " --check", "", &status);
        return status == 0 ? std::string() : words.empty() ? std::string("own-metrics-folder.sh --check failed") : words;
    }();
    return trouble;
}

ProgramRun run_program(const std::string& program_dir, const std::string& odbc_dir, const std::string& arguments,
                       const std::string& launcher, const std::string& metrics_dir, const std::string& program_file,
                       int limit_seconds) {
    const std::string exe = program_dir + "/dorvane";
    std::filesystem::copy_file(program_file, exe, std::filesystem::copy_options::overwrite_existing);
    TempDir elsewhere, own_metrics;
    // For any launcher's user.
    std::filesystem::permissions(elsewhere.path(), std::filesystem::perms::all);
    std::filesystem::permissions(own_metrics.path(), std::filesystem::perms::all);
    ProgramRun result{};
    // In a UTF-8 locale, whatever the caller's: the log is written in the
    // locale's character set, and the tests read names in UTF-8.
    result.standard_output = run("cd " + shell_quote(elsewhere.path()) + " && " +
                                     own_metrics_folder(metrics_dir.empty() ? own_metrics.path() : metrics_dir) +
                                     "env ODBCSYSINI=" + shell_quote(odbc_dir) + " LC_ALL=C.UTF-8 " +
                                     (launcher.empty() ? "" : launcher + " ") + program_wrapper() +
                                     shell_quote(exe) + (arguments.empty() ? "" : " " + arguments),
                                 "", &result.exit_status, &result.standard_error, limit_seconds);
    return result;
}

}  // namespace dorvane::testing
