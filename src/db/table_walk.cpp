// The work on one data source: every catalogued table loses the user's
// privileges, and tables of the public schema get SELECT back.
#include "db/privileges.h"
#include "run/form1.h"

namespace dorvane {

// A data source that cannot be opened is skipped. Any other failure (the
// query, a row, a null name, closing) is not caught: it ends the walk where
// it happens and travels to the caller.
void Form1::principal(const std::string& nombre_odbc) {
    resumen.fuentes.push_back({nombre_odbc});
    if (abrir_conexion(nombre_odbc)) return;
    ResumenFuente& cuenta = resumen.fuentes.back();
    cuenta.abierta = true;

    std::unique_ptr<db::Recordset> catalogo = conexion->OpenRecordset(db::consulta_catalogo, {"owner", "tbl"});
    // The row's names are read afresh for each statement, owner first.
    const auto propietario = [&] { return db::as_text(catalogo->field("owner")); };
    const auto tabla = [&] { return db::as_text(catalogo->field("tbl")); };
    while (!catalogo->eof()) {
        {
            const std::string p = propietario(), t = tabla();
            quitar_permisos(p, t, db::usuario_lectura, nombre_odbc);
        }
        {
            const std::string p = propietario(), t = tabla();
            asignar_permisos(p, t, db::usuario_lectura, nombre_odbc);
        }
        ++cuenta.tablas;  // walked: a row whose names cannot be read is not
        catalogo->MoveNext();
    }
    catalogo->Close();
    catalogo.reset();

    cerrar_conexion();
}

}  // namespace dorvane
