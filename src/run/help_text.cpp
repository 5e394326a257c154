#include "run/help_text.h"

#include "os/message_box.h"
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
    "  setting that cannot be written is recorded as a warning, and every run\n"
    "  ends with a summary of what it did, an information event. Event IDs:\n"
    "  1 failed grant, 2 more failed grants, 3 early end, 4 summary,\n"
    "  5 setting not written.\n";
#else
constexpr const char* settings_place = "their sections of the system odbc.ini, as unixODBC finds it";
constexpr const char* help_option = "--help, -h";
constexpr const char* where_messages_go =
    "  A failed grant, a setting that cannot be written and an error that\n"
    "  ends the run go to standard error, and every run ends with a summary\n"
    "  of what it did on standard output (the journal keeps both, under\n"
    "  systemd).\n";
#endif

// An option and what it does, in the options' column.
std::string option_line(const std::string& option, const char* what) {
    return "  " + option + std::string(option.size() < 16 ? 16 - option.size() : 1, ' ') + what + "\n";
}

}  // namespace

std::string help_text() {
    std::string data_sources;
    for (const std::string& fuente : fuentes_de_datos) data_sources += " " + fuente;
    std::string before;
    for (const Ajuste& ajuste : ajustes_antes)
        before += std::string(before.empty() ? "" : ", ") + ajuste.nombre + "=" + ajuste.valor;

    return std::string("Usage: ") + os::program_name + " [--dry-run | " + help_option + " | --version]\n"
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
           "     tables of schema PUB;\n"
           "  3. sets " + ajuste_despues.nombre + "=" + ajuste_despues.valor + " on the same data sources.\n"
           "\n"
           "Where it reports:\n"
           "  dorvane.log, beside the program, replaced by each run: one line per\n"
           "  failed statement or data source that could not be opened, then\n"
           "  \"Programa finalizado.\" when the run reaches its end.\n" +
           where_messages_go +
           "\n"
           "Exit status:\n"
           "  0  the run reached its end (failed statements are in the log)\n"
           "  1  the run ended early; its error number and description are reported\n"
           "  2  the command line was not understood; nothing was done\n"
           "\n"
           "Options (none of them writes a setting or the log, or changes a database):\n" +
           option_line("--dry-run", "the plan: connects and reads the catalogue as a run does, then") +
           option_line("", "prints every statement a run would send, in its order, under") +
           option_line("", "a line naming its data source; sends none of them; exit status") +
           option_line("", "as a run's") +
           option_line(help_option, "this text") + option_line("--version", "the version");
}

std::string version_text() { return std::string(os::program_name) + " " + DORVANE_VERSION + "\n"; }

std::string usage_error_text(const std::string& problem) {
    return std::string(os::program_name) + ": " + problem + "\nUsage: " + os::program_name + " [--dry-run | " + help_option +
           " | --version]; with no arguments, the run\n";
}

}  // namespace dorvane
