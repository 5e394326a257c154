// dorvane: resets the privileges of the read-only user on three ODBC data
// sources. It takes no arguments and reads no configuration.
#include <clocale>
#include <exception>
#include <new>

#include "log/run_log.h"
#include "os/message_box.h"
#include "os/program_directory.h"
#include "run/form1.h"

namespace {

// The whole run; its exit status.
int run() {
    try {
        dorvane::Form1 form;
        form.Form_Load();
        return 0;
    } catch (const dorvane::Error& error) {
        // Nothing caught it: it ends the run here, and the user is told.
        dorvane::os::show_fatal_error(error);
    } catch (const std::bad_alloc&) {
        dorvane::os::show_fatal_error(dorvane::Error(7, "Out of memory"));
    } catch (const std::exception& e) {
        dorvane::os::show_fatal_error(dorvane::Error(dorvane::unspecified_error, e.what()));
    }
    return 1;
}

std::string log_path() {
    return dorvane::os::join_path(dorvane::os::program_directory(), dorvane::log::nombre_log);
}

}  // namespace

int main() {
    // Only the character set comes from the environment, for the text the
    // program writes out. Numbers and everything else keep the C locale's
    // conventions, here and in the ODBC driver that runs in this process.
    std::setlocale(LC_CTYPE, "");
    const int status = run();
    dorvane::os::end_reports(log_path);
    return status;
}
