#include "common/same_name.h"

namespace dorvane {
namespace {

// Only ASCII letters fold, whatever the locale: in a Turkish one "I" and
// "i" are no pair, and the names compared here are ASCII by convention.
constexpr char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    }
    return true;
}

}  // namespace dorvane
