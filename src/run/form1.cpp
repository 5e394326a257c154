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
    Error failure;
    const std::int32_t result =
        modRegistro::escribir_valor_registro(clave_raiz, subclave, nombre_valor, valor, tipo_valor, failure);
    if (result != 0 && failure.Number != modRegistro::error_file_not_found) {
        const std::string data_source = subclave.substr(subclave.rfind('\\') + 1);
        os::warn(os::Warning::setting_not_written, "the data source " + data_source + " was not given " + nombre_valor +
                                                       "=" + valor + ": " + error_text(failure));
    }
    return result;
}

// The log has the line; whoever watches the machine hears of it too.
void warn_not_opened(const std::string& data_source, const Error& failure) {
    os::warn(os::Warning::data_source_not_opened,
             "the data source " + data_source + " could not be opened: " + error_text(failure));
}

}  // namespace

Form1Seams Form1Seams::platform() {
    Form1Seams seams;
    seams.new_connection = [] { return std::make_unique<db::OdbcConnection>(); };
    seams.message_box = os::message_box;
    seams.data_source_not_opened = warn_not_opened;
    seams.privilege_warning = os::warn;
    seams.program_directory = os::program_directory;
    seams.escribir_valor_registro = write_setting_or_warn;
    return seams;
}

Form1Seams Form1Seams::plan(const std::function<void(const std::string& line)>& output) {
    Form1Seams seams;
    seams.new_connection = [output] {
        return std::make_unique<db::PrintingConnection>(std::make_unique<db::OdbcConnection>(), output);
    };
    seams.message_box = [](const std::string&) {};
    seams.data_source_not_opened = [](const std::string&, const Error&) {};  // its log line is in the plan
    seams.program_directory = os::program_directory;
    seams.escribir_valor_registro = [](std::uint32_t, const std::string&, const std::string&, const std::string&,
                                       std::int32_t) { return 0; };
    return seams;
}

Form1::Form1(Form1Seams seams) : seams_(std::move(seams)) {}

}  // namespace dorvane
