// dorvane: resets the privileges of the read-only user on three ODBC data
// sources. It takes no arguments and reads no configuration.
#include <clocale>
#include <exception>
#include <new>

#include "os/message_box.h"
#include "run/form1.h"

int main() {
    // Only the character set comes from the environment, for the text the
    // program writes out. Numbers and everything else keep the C locale's
    // conventions, here and in the ODBC driver that runs in this process.
    std::setlocale(LC_CTYPE, "");
    try {
        dorvane::Form1 form;
        form.Form_Load();
    } catch (const dorvane::Error& error) {
        // Nothing caught it: it ends the run here, and the user is told.
        dorvane::os::show_fatal_error(error);
        return 1;
    } catch (const std::bad_alloc&) {
        dorvane::os::show_fatal_error(dorvane::Error(7, "Out of memory"));
        return 1;
    } catch (const std::exception& e) {
        dorvane::os::show_fatal_error(dorvane::Error(dorvane::unspecified_error, e.what()));
        return 1;
    }
    return 0;
}
