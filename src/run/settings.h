// The fixed data of a run: which data sources, and what is set on them.
#pragma once

#include <array>
#include <string>

namespace dorvane {

// Processed in this order.
inline const std::array<std::string, 3> fuentes_de_datos = {"VistasQuendar", "VistasQuendar1",
                                                            "VistasQuendar2"};

// A data source's settings key, below HKEY_LOCAL_MACHINE.
inline std::string clave_fuente(const std::string& fuente) {
    return "SOFTWARE\\ODBC\\ODBC.INI\\" + fuente;
}

struct Ajuste {
    const char* nombre;
    const char* valor;
};

// Written to every data source before the work, in this order.
inline constexpr std::array<Ajuste, 2> ajustes_antes = {{
    {"DefaultIsolationLevel", "REPEATABLE READ"},
    {"ArraySize", "1000"},
}};

// Written after the work; ArraySize keeps its value.
inline constexpr Ajuste ajuste_despues = {"DefaultIsolationLevel", "READ UNCOMMITTED"};

}  // namespace dorvane
