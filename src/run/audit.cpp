#include "run/audit.h"

#include "db/connection_string.h"
#include "db/held_privileges.h"
#include "db/privileges.h"
#include "run/run_summary.h"
#include "run/settings.h"

namespace dorvane {
namespace {

// The tables of the catalogue, read as the walk reads them: a row whose
// names cannot be read ends the audit, as it would end the run.
db::WalkedTables read_catalogue(db::Connection& conexion) {
    db::WalkedTables walked;
    std::unique_ptr<db::Recordset> catalogo = conexion.OpenRecordset(db::consulta_catalogo, {"owner", "tbl"});
    for (; !catalogo->eof(); catalogo->MoveNext())
        walked.add(db::as_text(catalogo->field("owner")), db::as_text(catalogo->field("tbl")));
    catalogo->Close();
    return walked;
}

// One data source's lines; whether it was opened and checked, and nothing
// is excess.
bool audit_one(db::Connection& conexion, const std::string& fuente,
               const std::function<void(const std::string& linea)>& salida) {
    try {
        conexion.Open(db::connection_string(fuente));
    } catch (const Error& fallo) {
        salida("could not be opened: " + error_text(fallo));
        return false;
    }
    const db::WalkedTables walked = read_catalogue(conexion);
    bool read_only = true;
    try {
        for (const db::HeldPrivilege& held : db::read_held_privileges(conexion, walked, db::Reading::everything)) {
            // SELECT on the database's own tables is every user's: not shown.
            if (!held.excess && walked.standing(held.owner, held.table) == db::WalkedTables::Standing::not_walked)
                continue;
            salida((held.excess ? "excess: " : "meant: ") + db::describe(held));
            read_only = read_only && !held.excess;
        }
    } catch (const Error& fallo) {
        salida("could not be checked: " + error_text(fallo));
        read_only = false;
    }
    conexion.Close();
    return read_only;
}

}  // namespace

int audit(const std::function<std::unique_ptr<db::Connection>()>& new_connection,
          const std::function<void(const std::string& linea)>& salida) {
    bool all_read_only = true;
    for (const std::string& fuente : fuentes_de_datos) {
        salida("-- " + fuente);
        const std::unique_ptr<db::Connection> conexion = new_connection();
        all_read_only = audit_one(*conexion, fuente, salida) && all_read_only;
    }
    return all_read_only ? salida_completa : salida_incompleta;
}

}  // namespace dorvane
