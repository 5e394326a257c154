#include "run/form1.h"

#include "db/odbc_connection.h"
#include "os/message_box.h"
#include "os/program_directory.h"
#include "registry/mod_registro.h"

namespace dorvane {

Form1Seams Form1Seams::platform() {
    Form1Seams seams;
    seams.new_connection = [] { return std::make_unique<db::OdbcConnection>(); };
    seams.message_box = os::message_box;
    seams.program_directory = os::program_directory;
    seams.escribir_valor_registro = modRegistro::escribir_valor_registro;
    return seams;
}

Form1::Form1(Form1Seams seams) : seams_(std::move(seams)) {}

}  // namespace dorvane
