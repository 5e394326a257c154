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
    std::unique_ptr<db::Recordset> catalogue = conexion.OpenRecordset(db::catalogue_query, {"owner", "tbl"});
    for (; !catalogue->eof(); catalogue->MoveNext())
        walked.add(db::as_text(catalogue->field("owner")), db::as_text(catalogue->field("tbl")));
    catalogue->Close();
    return walked;
}

// One data source's lines; whether it was opened and checked, and nothing
// is excess.
bool audit_one(db::Connection& conexion, const std::string& data_source,
               const std::function<void(const std::string& line)>& output) {
    try {
        conexion.Open(db::connection_string(data_source));
    } catch (const Error& failure) {
        output("could not be opened: " + error_text(failure));
        return false;
    }
    const db::WalkedTables walked = read_catalogue(conexion);
    bool read_only = true;
    try {
        for (const db::HeldPrivilege& held : db::read_held_privileges(conexion, walked, db::Reading::everything)) {
            // SELECT on the database's own tables is every user's: not shown.
            if (!held.excess && walked.standing(held.owner, held.table) == db::WalkedTables::Standing::not_walked)
                continue;
            output((held.excess ? "excess: " : "meant: ") + db::describe(held));
            read_only = read_only && !held.excess;
        }
    } catch (const Error& failure) {
        output("could not be checked: " + error_text(failure));
        read_only = false;
    }
    conexion.Close();
    return read_only;
}

}  // namespace

int audit(const std::function<std::unique_ptr<db::Connection>()>& new_connection,
          const std::function<void(const std::string& line)>& output) {
    bool all_read_only = true;
    for (const std::string& data_source : data_source_names) {
        output("-- " + data_source);
        const std::unique_ptr<db::Connection> conexion = new_connection();
        all_read_only = audit_one(*conexion, data_source, output) && all_read_only;
    }
    return all_read_only ? exit_complete : exit_incomplete;
}

}  // namespace dorvane
