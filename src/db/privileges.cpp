#include "db/privileges.h"

#include "run/form1.h"

namespace dorvane {
namespace db {
namespace {

// Appends `text` inside `quote`s, each `quote` within it doubled.
void append_quoted(std::string& out, const std::string& text, char quote) {
    out += quote;
    std::size_t from = 0;
    for (std::size_t at = text.find(quote); at != std::string::npos; at = text.find(quote, from)) {
        out.append(text, from, at + 1 - from);
        out += quote;
        from = at + 1;
    }
    out.append(text, from, std::string::npos);
    out += quote;
}

// `verb` "owner"."table" `preposition` 'user', built in one piece: these
// statements are made by the thousand.
std::string privilege_statement(const char* verb, const std::string& propietario, const std::string& tabla,
                                const char* preposition, const std::string& usuario) {
    std::string out;
    out.reserve(40 + propietario.size() + tabla.size() + usuario.size());
    out += verb;
    append_quoted(out, propietario, '"');
    out += '.';
    append_quoted(out, tabla, '"');
    out += preposition;
    append_quoted(out, usuario, '\'');
    return out;
}

}  // namespace

std::string quoted_identifier(const std::string& name) {
    std::string out;
    append_quoted(out, name, '"');
    return out;
}

std::string quoted_literal(const std::string& text) {
    std::string out;
    append_quoted(out, text, '\'');
    return out;
}

std::string revoke_statement(const std::string& propietario, const std::string& tabla,
                             const std::string& usuario) {
    return privilege_statement("Revoke all on ", propietario, tabla, " from ", usuario);
}

std::string grant_statement(const std::string& propietario, const std::string& tabla,
                            const std::string& usuario) {
    return privilege_statement("grant select on ", propietario, tabla, " to ", usuario);
}

std::string statement_context(const std::string& bd, const std::string& propietario,
                              const std::string& tabla) {
    return bd + "." + propietario + "." + tabla;
}

}  // namespace db

// One statement sent on the current data source, and whether it failed.
void Form1::count(std::size_t DataSourceSummary::*sent, std::size_t DataSourceSummary::*failed) {
    if (summary.data_sources.empty()) return;  // a statement outside a walk
    DataSourceSummary& counts = summary.data_sources.back();
    ++(counts.*sent);
    if (Err.Number != 0) ++(counts.*failed);
}

// A failed revoke is logged and the walk goes on.
void Form1::quitar_permisos(const std::string& propietario, const std::string& tabla,
                            const std::string& usuario, const std::string& bd) {
    Err.Clear();
    const std::string sentencia = db::revoke_statement(propietario, tabla, usuario);
    conexion->execute_resuming(sentencia, Err);
    count(&DataSourceSummary::revokes, &DataSourceSummary::revokes_failed);
    if (Err.Number != 0) {
        resume_next(Err, [&] { control_errores(db::statement_context(bd, propietario, tabla)); });
    }
}

// Only tables of the public schema are granted. A failed grant is shown to
// the user first, then logged; the walk goes on either way.
void Form1::asignar_permisos(const std::string& propietario, const std::string& tabla,
                             const std::string& usuario, const std::string& bd) {
    Err.Clear();
    if (propietario != db::public_schema) return;
    const std::string sentencia = db::grant_statement(propietario, tabla, usuario);
    conexion->execute_resuming(sentencia, Err);
    count(&DataSourceSummary::grants, &DataSourceSummary::grants_failed);
    if (Err.Number != 0) {
        seams_.message_box(Err.Description);
        resume_next(Err, [&] { control_errores(db::statement_context(bd, propietario, tabla)); });
    }
}

}  // namespace dorvane
