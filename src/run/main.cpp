// dorvane: resets the privileges of the read-only user on three ODBC data
// sources. With no arguments it runs the job and reads no configuration;
// an argument asks for something that touches nothing (help, the version).
#include <clocale>
#include <exception>
#include <new>

#include "log/run_log.h"
#include "os/console_output.h"
#include "os/message_box.h"
#include "os/program_directory.h"
#include "run/arguments.h"
#include "run/form1.h"
#include "run/help_text.h"

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

int main(int argc, char** argv) {
    // Only the character set comes from the environment, for the text the
    // program writes out. Numbers and everything else keep the C locale's
    // conventions, here and in the ODBC driver that runs in this process.
    std::setlocale(LC_CTYPE, "");
    const dorvane::Arguments arguments = dorvane::read_arguments(argc, argv);
    using dorvane::os::Stream;
    switch (arguments.request) {
        case dorvane::Request::help:
            return dorvane::os::write_console(Stream::output, dorvane::help_text()) ? 0 : 1;
        case dorvane::Request::version:
            return dorvane::os::write_console(Stream::output, dorvane::version_text()) ? 0 : 1;
        case dorvane::Request::usage_error:
            dorvane::os::write_console(Stream::error, dorvane::usage_error_text(arguments.problem));
            return 2;
        case dorvane::Request::run:
            break;
    }
    const int status = run();
    dorvane::os::end_reports(log_path);
    return status;
}
