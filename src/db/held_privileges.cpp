#include "db/held_privileges.h"

#include "common/same_name.h"
#include "db/privileges.h"

namespace dorvane::db {
namespace {

const std::string public_grantee = "PUBLIC";

std::string ascii_upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string ascii_lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The server compares the names, in capitals, so that it sends only the
// two grantees' rows; the rows are compared again here, as the server's
// own folding of case may differ.
std::string query_of(const char* catalogue) {
    return std::string("select * from sysprogress.") + catalogue + " where upper(grantee) in (" +
           quoted_literal(ascii_upper(read_only_user)) + ", " + quoted_literal(public_grantee) + ")";
}

// A walked table's key: its names folded, the owner quoted so that no two
// pairs of names meet.
std::string folded_key(const std::string& owner, const std::string& table) {
    return ascii_lower(quoted_identifier(owner)) + "." + ascii_lower(table);
}

bool is_ours(const std::string& grantee) {
    return same_name(grantee, read_only_user) || same_name(grantee, public_grantee);
}

struct PrivilegeColumn {
    const char* column;
    const char* privilege;
    // Not in every catalogue: "exe" only in some versions', a column's
    // "ins" only in the private test database's. Every other column must be
    // there, or the catalogue is not the one that this program reads.
    bool optional = false;
};

constexpr PrivilegeColumn table_columns[] = {
    {"sel", "SELECT"}, {"ins", "INSERT"}, {"upd", "UPDATE"},     {"del", "DELETE"},
    {"alt", "ALTER"},  {"ndx", "INDEX"},  {"ref", "REFERENCES"}, {"exe", "EXECUTE", true},
};
constexpr PrivilegeColumn column_columns[] = {
    {"sel", "SELECT"}, {"upd", "UPDATE"}, {"ref", "REFERENCES"}, {"ins", "INSERT", true}};
constexpr PrivilegeColumn authority_columns[] = {{"dba_acc", "DBA"}, {"res_acc", "RESOURCE"}};

std::string text_of(const Recordset& row, const char* column) { return row.field(column).value_or(""); }

// Whether the run means the user to read the table: the walk granted it,
// or did not walk it at all (the database's own catalogue tables, which
// every user may read).
bool select_is_meant(const HeldPrivilege& held, const WalkedTables& walked) {
    return walked.standing(held.owner, held.table) != WalkedTables::Standing::walked;
}

// The grantee as a revoke names it.
std::string grantee_in_statement(const std::string& grantee) {
    return same_name(grantee, public_grantee) ? public_grantee : quoted_literal(grantee);
}

// The statement that takes `held` away, as whoever granted it runs it:
// only the right to grant where the privilege itself is meant.
std::string removal(const HeldPrivilege& held, bool privilege_meant) {
    const std::string from = " from " + grantee_in_statement(held.grantee);
    if (held.authority) return "revoke " + ascii_lower(held.privilege) + from;
    std::string what = ascii_lower(held.privilege);
    if (held.column) what += " (" + quoted_identifier(*held.column) + ")";
    return std::string("revoke ") + (privilege_meant ? "grant option for " : "") + what + " on " +
           quoted_identifier(held.owner) + "." + quoted_identifier(held.table) + from;
}

// Marks `held` excess, with what removes it, when it is more than SELECT
// without the right to grant it on a table that the user is meant to read.
void judge(HeldPrivilege& held, const WalkedTables& walked) {
    const bool privilege_meant = !held.authority && held.privilege == "SELECT" && select_is_meant(held, walked);
    held.excess = !privilege_meant || held.grantable;
    if (held.excess) held.removal = removal(held, privilege_meant);
}

// What identifies a catalogue's row, beside its grantee.
enum class RowOf { table, column, authority };

// Reads each row of `query` that belongs to the two grantees, one
// HeldPrivilege for each privilege held there.
template <std::size_t N>
void read_catalogue(Connection& connection, const std::string& query, RowOf kind,
                    const PrivilegeColumn (&privileges)[N], const WalkedTables& walked,
                    std::vector<HeldPrivilege>& out) {
    std::vector<std::string> columns = {"grantee"};
    if (kind != RowOf::authority) columns.insert(columns.end(), {"grantor", "tblowner", "tbl"});
    if (kind == RowOf::column) columns.push_back("col");
    for (const PrivilegeColumn& p : privileges) columns.push_back(p.column);

    std::unique_ptr<Recordset> rows = connection.OpenRecordset(query, columns);
    for (; !rows->eof(); rows->MoveNext()) {
        HeldPrivilege row;
        row.grantee = text_of(*rows, "grantee");
        if (!is_ours(row.grantee)) continue;
        row.authority = kind == RowOf::authority;
        if (!row.authority) {
            row.grantor = text_of(*rows, "grantor");
            row.owner = text_of(*rows, "tblowner");
            row.table = text_of(*rows, "tbl");
        }
        if (kind == RowOf::column) row.column = text_of(*rows, "col");
        for (const PrivilegeColumn& p : privileges) {
            if (p.optional && !rows->has_field(p.column)) continue;
            const Flag flag = read_flag(rows->field(p.column));
            if (flag == Flag::not_held) continue;
            HeldPrivilege held = row;
            held.privilege = p.privilege;
            held.grantable = flag == Flag::grantable;
            judge(held, walked);
            out.push_back(std::move(held));
        }
    }
    rows->Close();
}

// The table privileges' query, narrowed to what may be excess: the rows
// that hold exactly SELECT, without the right to grant it, on a table of
// PUB, and nothing else, stay on the server. A catalogue of thousands of
// tables has as many of them, all granted by the walk, and none can be
// excess. Every flag column of the catalogue is named, so its columns are
// asked for first, with a query of no row; a flag that the server cannot
// tell apart stays in the result, to be read here.
std::string narrowed_table_privileges_query(Connection& connection) {
    std::vector<std::string> flags;
    for (const PrivilegeColumn& p : table_columns) flags.push_back(p.column);
    const std::unique_ptr<Recordset> shape =
        connection.OpenRecordset("select * from sysprogress.systabauth where 1 = 0", flags);
    std::string kept = "tblowner is null or tblowner <> " + quoted_literal(public_schema) +
                       " or sel is null or sel not in ('y', 'Y')";
    for (const PrivilegeColumn& p : table_columns) {
        if (std::string(p.column) == "sel" || (p.optional && !shape->has_field(p.column))) continue;
        kept += std::string(" or (") + p.column + " is not null and " + p.column + " not in ('', ' ', 'n', 'N'))";
    }
    shape->Close();
    return table_privileges_query + " and (" + kept + ")";
}

}  // namespace

const std::string table_privileges_query = query_of("systabauth");
const std::string column_privileges_query = query_of("syscolauth");
const std::string authorities_query = query_of("sysdbauth");

Flag read_flag(const FieldValue& value) {
    if (!value) return Flag::not_held;
    const std::size_t first = value->find_first_not_of(" \t");
    if (first == std::string::npos) return Flag::not_held;
    const std::string flag = value->substr(first, value->find_last_not_of(" \t") + 1 - first);
    if (flag == "n" || flag == "N") return Flag::not_held;
    return flag.find_first_of("gG") != std::string::npos ? Flag::grantable : Flag::held;
}

WalkedTables::Standing WalkedTables::standing(const std::string& owner, const std::string& table) const {
    for (; indexed_ < tables_.size(); ++indexed_) {
        const auto& [walked_owner, walked_table] = tables_[indexed_];
        const bool granted = walked_owner == public_schema;
        const auto [at, inserted] = granted_.emplace(folded_key(walked_owner, walked_table), granted);
        if (!inserted) at->second = at->second && granted;
    }
    const auto at = granted_.find(folded_key(owner, table));
    if (at == granted_.end()) return Standing::not_walked;
    return at->second ? Standing::granted : Standing::walked;
}

std::vector<HeldPrivilege> read_held_privileges(Connection& connection, const WalkedTables& walked, Reading reading) {
    std::vector<HeldPrivilege> held;
    const std::string tables_query = reading == Reading::everything ? table_privileges_query
                                                                    : narrowed_table_privileges_query(connection);
    read_catalogue(connection, tables_query, RowOf::table, table_columns, walked, held);
    read_catalogue(connection, column_privileges_query, RowOf::column, column_columns, walked, held);
    read_catalogue(connection, authorities_query, RowOf::authority, authority_columns, walked, held);
    return held;
}

std::string describe(const HeldPrivilege& held) {
    std::string text = held.privilege;
    if (held.authority) {
        text += " authority";
    } else {
        text += " on " + quoted_identifier(held.owner) + "." + quoted_identifier(held.table);
        if (held.column) text += " column " + quoted_identifier(*held.column);
    }
    if (held.grantable) text += " with the right to grant it";
    text += ", held by " + (same_name(held.grantee, public_grantee) ? public_grantee : held.grantee);
    if (!held.authority) text += ", granted by " + (held.grantor.empty() ? "a grantor not recorded" : held.grantor);
    if (!held.excess) return text;
    text += "; removed";
    if (!held.grantor.empty()) text += " by " + held.grantor;
    return text + " with: " + held.removal;
}

}  // namespace dorvane::db
