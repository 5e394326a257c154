// Opening and closing the connection to one data source.
#include "db/connection_string.h"
#include "run/form1.h"

namespace dorvane {

// Returns a failure flag: a data source that cannot be opened is logged
// here, told to whoever watches the machine, and reported as true, so that
// the caller skips it. Only a failure to write that log line travels on.
bool Form1::abrir_conexion(const std::string& ODBC) {
    Err.Clear();
    try {
        conexion = seams_.new_connection();
        conexion->Open(db::connection_string(ODBC));
        return false;
    } catch (const Error& failure) {
        Err = failure;
        control_errores(" ODBC --> " + ODBC);
        if (seams_.data_source_not_opened) seams_.data_source_not_opened(ODBC, failure);
        Err.Clear();
        return true;
    }
}

// A failed close travels to the caller and keeps the connection.
void Form1::cerrar_conexion() {
    conexion->Close();
    conexion.reset();
}

}  // namespace dorvane
