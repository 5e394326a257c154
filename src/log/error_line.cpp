#include "log/error_line.h"

namespace dorvane::log {

std::string error_line(const std::string& contexto, const Error& err) {
    return "Error para " + contexto + " -> " + std::to_string(err.Number) + " -> " + err.Description;
}

}  // namespace dorvane::log
