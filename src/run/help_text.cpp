#include "run/help_text.h"

#include "os/reports.h"
#include "run/settings.h"

namespace dorvane {
namespace {

#ifdef _WIN32
constexpr const char* settings_place = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\<data source>";
constexpr const char* help_option = "--help, -h, /?";
constexpr const char* where_messages_go =
    "  A failed grant is shown in a message box where a person can see the\n"
    "  session, and otherwise recorded as a warning in the Application event\n"
    "  log (source dorvane). An error that ends the run is always recorded\n"
    "  as an error there, then shown in a box where a person can see it. A\n"
    "  setting that cannot be written and a data source that cannot be opened\n"
    "  are recorded as warnings, and every run ends with a summary of what it\n"
    "  did, an event whose type follows the exit status (information for 0,\n"
    "  warning for 3, error for 1). Event IDs: 1 failed grant, 2 more failed\n"
    "  grants, 3 early end, 4 summary, 5 setting not written, 6 data source\n"
    "  not opened, 7 metrics not written, 8 userSQL holds more than it\n"
    "  should, or that could not be checked.\n"
    "  Where a windows_exporter service is installed, each run writes\n"
    "  dorvane.prom, its metrics, in the textfile folder that the service's\n"
    "  command line names (else textfile_inputs beside its program): its\n"
    "  start as soon as it holds the log, the whole file at its end.\n";
#else
constexpr const char* settings_place = "their sections of the system odbc.ini, as unixODBC finds it";
constexpr const char* help_option = "--help, -h";
constexpr const char* where_messages_go =
    "  A failed grant, a setting that cannot be written, a data source that\n"
    "  cannot be opened, a privilege that userSQL should not hold (or a\n"
    "  check that could not be made) and an error that ends the run go to\n"
    "  standard error, and every run ends with a summary of what it did on\n"
    "  standard output;\n"
    "  where that is neither a terminal nor the journal (cron), only when\n"
    "  the exit status is not 0. Under systemd each line carries its journal\n"
    "  priority: journalctl -u dorvane -p warning shows the runs that need a\n"
    "  look. Each run writes dorvane.prom, its metrics for node_exporter, in\n"
    "  the textfile folder that node_exporter's systemd unit names (else\n"
    "  /var/lib/prometheus/node-exporter), where that folder exists: its\n"
    "  start as soon as it holds the log, the whole file at its end.\n";
#endif

// An option and what it does, in the options' column; an option too long
// for its column stands on a line of its own.
std::string option_line(const std::string& option, const char* what) {
    if (option.size() >= 16) return "  " + option + "\n" + std::string(18, ' ') + what + "\n";
    return "  " + option + std::string(16 - option.size(), ' ') + what + "\n";
}

}  // namespace

std::string help_text() {
    std::string data_sources;
    for (const std::string& data_source : data_source_names) data_sources += " " + data_source;
    std::string before;
    for (const Setting& setting : settings_before)
        before += std::string(before.empty() ? "" : ", ") + setting.name + "=" + setting.value;

    return std::string("Usage: ") + os::program_name + " [--dry-run | --check | --forget-metrics | " + help_option + " | --version]\n"
           "\n"
           "Resets the SQL privileges of the read-only user userSQL. With no\n"
           "arguments it runs the whole job, unattended:\n"
           "\n"
           "  1. sets " + before + "\n"
           "     on the data sources" + data_sources + ",\n"
           "     where they are defined: " + settings_place + ";\n"
           "  2. on each data source in turn, connects as the database\n"
           "     administrator, reads the catalogue of user tables, revokes every\n"
           "     privilege of userSQL on each table and grants it SELECT on the\n"
           "     tables of schema PUB; then reads what userSQL and PUBLIC still\n"
           "     hold there, from the database's privilege catalogues, and warns\n"
           "     of each privilege beyond SELECT on PUB's tables (the first ten);\n"
           "  3. sets " + setting_after.name + "=" + setting_after.value + " on the same data sources.\n"
           "\n"
           "Where it reports:\n"
           "  dorvane.log, beside the program, replaced by each run: one line per\n"
           "  failed statement or data source that could not be opened, then\n"
           "  \"Programa finalizado.\" when the run reaches its end.\n" +
           where_messages_go +
           "\n"
           "Exit status:\n"
           "  0  the run reached its end: every data source was opened, every\n"
           "     grant made, and userSQL found read-only (failed revokes are in\n"
           "     the log)\n"
           "  3  the run reached its end, but a data source could not be opened,\n"
           "     a grant failed (see the log), or userSQL holds more than SELECT\n"
           "     on PUB's tables or that could not be checked (see the warnings)\n"
           "  1  the run ended early; its error number and description are reported,\n"
           "     and the data sources stay at REPEATABLE READ until a run reaches\n"
           "     its end\n"
           "  2  the command line was not understood; nothing was done\n"
           "\n"
           "Options (none of them writes a setting or the log, or changes a database):\n" +
           option_line("--dry-run", "the plan: connects and reads the catalogue as a run does, then") +
           option_line("", "prints every statement a run would send, in its order, under") +
           option_line("", "a line naming its data source; sends none of them; exit status") +
           option_line("", "as a run's (without the privilege check), the log's folder and") +
           option_line("", "lock checked too. A statement") +
           option_line("", "whose name holds a control character, or one the output cannot") +
           option_line("", "carry, prints as one line marked \"-- with escapes:\", each such") +
           option_line("", "character as \\u{hex}. It reads the catalogue under the") +
           option_line("", "isolation level the data source has now; a run sets") +
           option_line("", "REPEATABLE READ first") +
           option_line("--check", "the privileges' audit: reads the catalogue and what userSQL and") +
           option_line("", "PUBLIC hold, as a run does after its walk, and prints each") +
           option_line("", "privilege under its data source's line, \"excess:\" or \"meant:\",") +
           option_line("", "with its grantor and the revoke that removes an excess one; exit") +
           option_line("", "status 0 where all three were read and nothing is excess, 3") +
           option_line("", "otherwise, 1 on an error that would end a run") +
           option_line("--forget-metrics", "for the uninstallers: removes the metrics file dorvane.prom from") +
           option_line("", "the exporter's folder, and nothing else; exit status 0 where it") +
           option_line("", "is gone (or was never there), 1 where it cannot be removed") +
           option_line(help_option, "this text") + option_line("--version", "the version");
}

std::string version_text() { return std::string(os::program_name) + " " + DORVANE_VERSION + "\n"; }

std::string usage_error_text(const std::string& problem) {
    return std::string(os::program_name) + ": " + problem + "\nUsage: " + os::program_name + " [--dry-run | --check | --forget-metrics | " + help_option +
           " | --version]; with no arguments, the run\n";
}

}  // namespace dorvane
