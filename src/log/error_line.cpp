#include "log/error_line.h"

namespace dorvane::log {

std::string error_line(const std::string& context, const Error& err) {
    return "Error para " + context + " -> " + std::to_string(err.Number) + " -> " + err.Description;
}

}  // namespace dorvane::log
