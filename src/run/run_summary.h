// What a run did, counted by the walk as it goes: for each data source it
// reached, whether it opened, the tables walked, and the revokes and grants
// sent and failed. Told once at the run's end, reached or early.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace dorvane {

struct ResumenFuente {
    std::string fuente;
    bool abierta = false;
    std::size_t tablas = 0;
    std::size_t revocaciones = 0, revocaciones_fallidas = 0;
    std::size_t concesiones = 0, concesiones_fallidas = 0;
};

struct ResumenEjecucion {
    std::vector<ResumenFuente> fuentes;  // the data sources reached, in order
};

// The summary's text, one line per data source of the run (those it never
// reached say so), then the duration and the exit status.
std::string summary_text(const ResumenEjecucion& resumen, std::chrono::steady_clock::duration duracion,
                         int exit_status);

}  // namespace dorvane
