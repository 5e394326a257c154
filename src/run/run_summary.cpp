#include "run/run_summary.h"

#include <cstdio>

#include "run/settings.h"

namespace dorvane {
namespace {

std::string counted(const char* what, std::size_t sent, std::size_t failed) {
    return std::string(what) + ": " + std::to_string(sent) + " sent, " + std::to_string(failed) + " failed";
}

std::string outcome_of(const ResumenFuente& f) {
    switch (f.privilege_check) {
        case PrivilegeCheck::made:
            return f.excess_privileges == 0 ? "userSQL read-only"
                                            : std::to_string(f.excess_privileges) + " excess privileges of userSQL";
        case PrivilegeCheck::failed: return "privileges could not be checked";
        case PrivilegeCheck::not_made: break;
    }
    return "privileges not checked";
}

std::string line_for(const ResumenFuente& f) {
    if (!f.abierta) return f.fuente + ": could not be opened";
    return f.fuente + ": " + std::to_string(f.tablas) + " tables walked; " +
           counted("revokes", f.revocaciones, f.revocaciones_fallidas) + "; " +
           counted("grants", f.concesiones, f.concesiones_fallidas) + "; " + outcome_of(f);
}

}  // namespace

bool ResumenEjecucion::completa() const {
    if (fuentes.size() != fuentes_de_datos.size()) return false;
    for (const ResumenFuente& f : fuentes)
        if (!f.abierta || f.concesiones_fallidas != 0 || f.privilege_check == PrivilegeCheck::failed ||
            f.excess_privileges != 0)
            return false;
    return true;
}

EstadoSalida estado_salida(const ResumenEjecucion& resumen, bool terminada_antes) {
    if (terminada_antes) return salida_anticipada;
    return resumen.completa() ? salida_completa : salida_incompleta;
}

std::string summary_text(const ResumenEjecucion& resumen, std::chrono::steady_clock::duration duracion,
                         int exit_status) {
    std::string text = "Summary of the run:\n";
    for (const std::string& fuente : fuentes_de_datos) {
        const ResumenFuente* reached = nullptr;
        for (const ResumenFuente& f : resumen.fuentes)
            if (f.fuente == fuente) reached = &f;
        text += "  " + (reached != nullptr ? line_for(*reached) : fuente + ": not reached") + "\n";
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", std::chrono::duration<double>(duracion).count());
    return text + "  ended after " + seconds + " s with exit status " + std::to_string(exit_status) + "\n";
}

}  // namespace dorvane
