#include "run/form1.h"

#include "db/odbc_connection.h"
#include "db/printing_connection.h"
#include "os/message_box.h"
#include "os/program_directory.h"
#include "registry/mod_registro.h"

namespace dorvane {
namespace {

// A setting that could not be written is passed over, as the run always
// has, but no longer in silence: a site whose settings are never applied
// (a read-only file system, a key it may not write) hears of it. A data
// source that is not defined has nothing to write, and is not told.
std::int32_t write_setting_or_warn(std::uint32_t clave_raiz, const std::string& subclave,
                                   const std::string& nombre_valor, const std::string& valor,
                                   std::int32_t tipo_valor) {
    Error fallo;
    const std::int32_t resultado =
        modRegistro::escribir_valor_registro(clave_raiz, subclave, nombre_valor, valor, tipo_valor, fallo);
    if (resultado != 0 && fallo.Number != modRegistro::error_file_not_found) {
        const std::string fuente = subclave.substr(subclave.rfind('\\') + 1);
        os::warn(os::Warning::setting_not_written, "the data source " + fuente + " was not given " + nombre_valor +
                                                       "=" + valor + ": " + error_text(fallo));
    }
    return resultado;
}

// The log has the line; whoever watches the machine hears of it too.
void warn_not_opened(const std::string& fuente, const Error& fallo) {
    os::warn(os::Warning::data_source_not_opened,
             "the data source " + fuente + " could not be opened: " + error_text(fallo));
}

}  // namespace

Form1Seams Form1Seams::platform() {
    Form1Seams seams;
    seams.new_connection = [] { return std::make_unique<db::OdbcConnection>(); };
    seams.message_box = os::message_box;
    seams.fuente_no_abierta = warn_not_opened;
    seams.privilege_warning = os::warn;
    seams.program_directory = os::program_directory;
    seams.escribir_valor_registro = write_setting_or_warn;
    return seams;
}

Form1Seams Form1Seams::plan(const std::function<void(const std::string& linea)>& salida) {
    Form1Seams seams;
    seams.new_connection = [salida] {
        return std::make_unique<db::PrintingConnection>(std::make_unique<db::OdbcConnection>(), salida);
    };
    seams.message_box = [](const std::string&) {};
    seams.fuente_no_abierta = [](const std::string&, const Error&) {};  // its log line is in the plan
    seams.program_directory = os::program_directory;
    seams.escribir_valor_registro = [](std::uint32_t, const std::string&, const std::string&, const std::string&,
                                       std::int32_t) { return 0; };
    return seams;
}

Form1::Form1(Form1Seams seams) : seams_(std::move(seams)) {}

}  // namespace dorvane
