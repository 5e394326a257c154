// The fixed data of a run: which data sources, and what is set on them.
#pragma once

#include <array>
#include <string>

namespace dorvane {

// Processed in this order.
inline const std::array<std::string, 3> data_source_names = {"VistasQuendar", "VistasQuendar1",
                                                            "VistasQuendar2"};

// A data source's settings key, below HKEY_LOCAL_MACHINE.
inline std::string data_source_key(const std::string& data_source) {
    return "SOFTWARE\\ODBC\\ODBC.INI\\" + data_source;
}

struct Setting {
    const char* name;
    const char* value;
};

// Written to every data source before the work, in this order.
inline constexpr std::array<Setting, 2> settings_before = {{
    {"DefaultIsolationLevel", "REPEATABLE READ"},
    {"ArraySize", "1000"},
}};

// Written after the work; ArraySize keeps its value.
inline constexpr Setting setting_after = {"DefaultIsolationLevel", "READ UNCOMMITTED"};

}  // namespace dorvane
