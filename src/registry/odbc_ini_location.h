// Where unixODBC keeps its data sources.
#pragma once

#include <string>

namespace dorvane::modRegistro {

// The system odbc.ini exactly as unixODBC finds it (ODBCSYSINI honoured).
std::string system_odbc_ini();
// The user's odbc.ini: ODBCINI, else ~/.odbc.ini.
std::string user_odbc_ini();

}  // namespace dorvane::modRegistro
