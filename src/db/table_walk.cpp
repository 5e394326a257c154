// The work on one data source: every catalogued table loses the user's
// privileges, and tables of the public schema get SELECT back; then what
// the user can still do is checked.
#include "db/privileges.h"
#include "run/form1.h"
#include "run/plan_line.h"

namespace dorvane {

// A data source that cannot be opened is skipped. Any other failure (the
// query, a row, a null name, closing) is not caught: it ends the walk where
// it happens and travels to the caller.
void Form1::principal(const std::string& nombre_odbc) {
    summary.data_sources.push_back({nombre_odbc});
    if (abrir_conexion(nombre_odbc)) return;
    DataSourceSummary& counts = summary.data_sources.back();
    counts.opened = true;

    std::unique_ptr<db::Recordset> catalogue = conexion->OpenRecordset(db::catalogue_query, {"owner", "tbl"});
    // The row's names are read afresh for each statement, owner first.
    const auto propietario = [&] { return db::as_text(catalogue->field("owner")); };
    const auto tabla = [&] { return db::as_text(catalogue->field("tbl")); };
    db::WalkedTables walked;
    while (!catalogue->eof()) {
        {
            const std::string p = propietario(), t = tabla();
            quitar_permisos(p, t, db::read_only_user, nombre_odbc);
        }
        {
            const std::string p = propietario(), t = tabla();
            asignar_permisos(p, t, db::read_only_user, nombre_odbc);
            walked.add(p, t);
        }
        ++counts.tables_walked;  // walked: a row whose names cannot be read is not
        catalogue->MoveNext();
    }
    catalogue->Close();
    catalogue.reset();

    check_privileges(nombre_odbc, walked);
    cerrar_conexion();
}

// Handled and flagged: whatever stops the check is told, with its number
// and description, and the data source counts as not checked. The run log
// is not written: it keeps the statements' lines alone.
void Form1::check_privileges(const std::string& data_source, const db::WalkedTables& walked) {
    if (!seams_.privilege_warning) return;
    // A name cannot make a warning say what the database does not hold.
    const auto tell = [&](os::Warning kind, const std::string& text) {
        seams_.privilege_warning(kind, plan_line(data_source + ": " + text, [](char32_t) { return true; }));
    };
    DataSourceSummary& counts = summary.data_sources.back();
    std::vector<db::HeldPrivilege> held;
    try {
        held = db::read_held_privileges(*conexion, walked, db::Reading::what_may_be_excess);
    } catch (const Error& failure) {
        counts.privilege_check = PrivilegeCheck::failed;
        tell(os::Warning::privileges_not_checked,
             "what " + db::read_only_user + " can do could not be checked: " + error_text(failure));
        return;
    }
    counts.privilege_check = PrivilegeCheck::made;
    for (const db::HeldPrivilege& privilege : held) {
        if (!privilege.excess) continue;
        ++counts.excess_privileges;
        tell(os::Warning::excess_privilege, db::read_only_user + " can do more than read: " + db::describe(privilege));
    }
}

}  // namespace dorvane
