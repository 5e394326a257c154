#include "db/privileges.h"

#include "run/form1.h"

namespace dorvane {
namespace db {
namespace {

std::string quoted(const std::string& text, char quote) {
    std::string out;
    out.reserve(text.size() + 2);
    out += quote;
    for (const char c : text) {
        if (c == quote) out += quote;
        out += c;
    }
    out += quote;
    return out;
}

std::string table_name(const std::string& propietario, const std::string& tabla) {
    return quoted_identifier(propietario) + "." + quoted_identifier(tabla);
}

}  // namespace

std::string quoted_identifier(const std::string& name) { return quoted(name, '"'); }
std::string quoted_literal(const std::string& text) { return quoted(text, '\''); }

std::string revoke_statement(const std::string& propietario, const std::string& tabla,
                             const std::string& usuario) {
    return "Revoke all on " + table_name(propietario, tabla) + " from " + quoted_literal(usuario);
}

std::string grant_statement(const std::string& propietario, const std::string& tabla,
                            const std::string& usuario) {
    return "grant select on " + table_name(propietario, tabla) + " to " + quoted_literal(usuario);
}

std::string statement_context(const std::string& bd, const std::string& propietario,
                              const std::string& tabla) {
    return bd + "." + propietario + "." + tabla;
}

}  // namespace db

// A failed revoke is logged and the walk goes on.
void Form1::quitar_permisos(const std::string& propietario, const std::string& tabla,
                            const std::string& usuario, const std::string& bd) {
    Err.Clear();
    const std::string sentencia = db::revoke_statement(propietario, tabla, usuario);
    conexion->execute_resuming(sentencia, Err);
    if (Err.Number != 0) {
        resume_next(Err, [&] { control_errores(db::statement_context(bd, propietario, tabla)); });
    }
}

// Only tables of the public schema are granted. A failed grant is shown to
// the user first, then logged; the walk goes on either way.
void Form1::asignar_permisos(const std::string& propietario, const std::string& tabla,
                             const std::string& usuario, const std::string& bd) {
    Err.Clear();
    if (propietario != db::esquema_publico) return;
    const std::string sentencia = db::grant_statement(propietario, tabla, usuario);
    conexion->execute_resuming(sentencia, Err);
    if (Err.Number != 0) {
        seams_.message_box(Err.Description);
        resume_next(Err, [&] { control_errores(db::statement_context(bd, propietario, tabla)); });
    }
}

}  // namespace dorvane
