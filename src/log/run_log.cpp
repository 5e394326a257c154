// The run log: a text file beside the executable, one line per reported
// failure, then the closing line. None of these traps errors: a failure
// travels to the caller unchanged.
#include "log/run_log.h"

#include "log/error_line.h"
#include "log/output_file.h"
#include "os/paths.h"
#include "run/form1.h"

namespace dorvane {

const char log::log_name[] = "dorvane.log";

void Form1::crear_fichero() {
    fso = std::make_unique<log::FileSystemObject>();
    const std::string path = os::join_path(seams_.program_directory(), log::log_name);
    fichero_log = fso->CreateTextFile(path, true);
}

void Form1::check_log_creatable() {
    log::OutputFile::check_creatable(os::join_path(seams_.program_directory(), log::log_name));
}

void Form1::control_errores(const std::string& tabla) {
    if (!fichero_log) throw Error(91, "Object variable or With block variable not set");
    fichero_log->WriteLine(log::error_line(tabla, Err));
}

// The stream is closed before anything is released; a failed close keeps both.
void Form1::cerrar_fichero() {
    if (!fichero_log) throw Error(91, "Object variable or With block variable not set");
    fichero_log->Close();
    fso.reset();
    fichero_log.reset();
}

}  // namespace dorvane
