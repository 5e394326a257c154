// Names that the outside world compares without regard to ASCII letter
// case, as unixODBC and the Windows registry do: a result's column names,
// odbc.ini's sections and entries, registry paths. Other bytes must match.
#pragma once

#include <string_view>

namespace dorvane {

bool same_name(std::string_view a, std::string_view b);

}  // namespace dorvane
