// What a run did, counted by the walk as it goes: for each data source it
// reached, whether it opened, the tables walked, and the revokes and grants
// sent and failed. Told once at the run's end, reached or early.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace dorvane {

// Whether what the read-only user can still do was read once the walk was
// over.
enum class PrivilegeCheck { not_made, made, failed };

struct ResumenFuente {
    std::string fuente;
    bool abierta = false;
    std::size_t tablas = 0;
    std::size_t revocaciones = 0, revocaciones_fallidas = 0;
    std::size_t concesiones = 0, concesiones_fallidas = 0;
    PrivilegeCheck privilege_check = PrivilegeCheck::not_made;
    std::size_t excess_privileges = 0;  // found by the check
};

struct ResumenEjecucion {
    std::vector<ResumenFuente> fuentes;  // the data sources reached, in order

    // Whether the work was all done: every data source reached, opened and
    // walked, every grant made, and the user left with nothing more than
    // the run means, as far as the check could tell (a check that could not
    // be made counts against it). A failed revoke does not count against
    // it: a database may refuse to revoke what was never granted.
    bool completa() const;
};

// The program's exit statuses, which schedulers and monitoring act on.
enum EstadoSalida : int {
    salida_completa = 0,    // the run reached its end and did all its work
    salida_anticipada = 1,  // the run ended early, on an error nothing caught
    salida_uso = 2,         // the command line was not understood
    salida_incompleta = 3,  // the run reached its end, but a data source was not
                            // opened, a grant failed, or the user holds more
                            // than the run means (or that could not be checked)
};

// The status of a run that counted `resumen`, ended early or not.
EstadoSalida estado_salida(const ResumenEjecucion& resumen, bool terminada_antes);

// The summary's text, one line per data source of the run (those it never
// reached say so), then the duration and the exit status.
std::string summary_text(const ResumenEjecucion& resumen, std::chrono::steady_clock::duration duracion,
                         int exit_status);

}  // namespace dorvane
